#include "bench/Proxy.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

namespace jf::bench {

namespace {

// What fd gives until its end.
std::string ReadAll(int fd) {
  std::string out;
  char buf[512];
  ssize_t n = 0;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  return out;
}

}  // namespace

DelayProxy::~DelayProxy() {
  ProxyCounts ignored;
  Stop(&ignored);
}

bool DelayProxy::Start(const std::string& program, const std::string& socket, long delayUs,
                       std::string* error) {
  int pipe[2];
  if (::pipe(pipe) != 0) {
    *error = "cannot make a pipe for the proxy";
    return false;
  }
  const std::string delay = std::to_string(delayUs);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(pipe[1], STDOUT_FILENO);
    ::close(pipe[0]);
    ::close(pipe[1]);
    // One run, a few connections: a proxy left behind stops by itself within the hour.
    ::execl(program.c_str(), program.c_str(), "--to", socket.c_str(), "--delay-us", delay.c_str(),
            "--max-seconds", "3600", "--max-connections", "20", static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(pipe[1]);
  out_ = pipe[0];
  if (pid_ < 0) {
    *error = "cannot start " + program;
    return false;
  }
  // The first line, "port P", comes once it listens.
  std::string line;
  char ch = 0;
  while (line.size() < 32 && ::read(out_, &ch, 1) == 1 && ch != '\n') line += ch;
  if (std::sscanf(line.c_str(), "port %d", &port_) != 1 || port_ <= 0) {
    *error = "the proxy " + program + " did not start listening";
    return false;
  }
  return true;
}

bool DelayProxy::Stop(ProxyCounts* counts) {
  if (pid_ <= 0) return false;
  ::kill(pid_, SIGTERM);
  const std::string text = ReadAll(out_);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  ::close(out_);
  pid_ = -1;
  out_ = -1;
  std::istringstream in(text);
  std::string key;
  int seen = 0;
  while (in >> key) {
    if (key == "connections" && in >> counts->connections) ++seen;
    if (key == "turns" && in >> counts->turns) ++seen;
    if (key == "bytes-up" && in >> counts->bytesUp) ++seen;
    if (key == "bytes-down" && in >> counts->bytesDown) ++seen;
    if (key == "chunks-up" && in >> counts->chunksUp) ++seen;
    if (key == "chunks-down" && in >> counts->chunksDown) ++seen;
    if (key == "held-us-up" && in >> counts->heldUpUs) ++seen;
    if (key == "held-us-down" && in >> counts->heldDownUs) ++seen;
  }
  return seen == 8 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace jf::bench
