// jobfeed-bench-proxy: a TCP proxy on the loopback address that delays every byte by a fixed time
// each way, so that a run against a server on this machine waits as it would across a plant
// network. It forwards to a Unix socket (the benchmark's PostgreSQL server listens on nothing
// else) and counts the turns of each connection: a turn is an answer, data from the server after
// data from the client, so a request and its answer are one turn however many packets they take.
//
//   jobfeed-bench-proxy --to SOCKET [--port P] [--delay-us U] [--max-seconds S]
//                       [--max-connections C]
//
// It listens on 127.0.0.1:P (0, the default: a free port) and prints "port P" on its standard
// output once it listens. It stops at SIGTERM or SIGINT, when the process that started it ends,
// after S seconds (default 900), or once C connections (default 100) have come and gone, and
// then prints "connections N", "turns N" and,
// each way (up: to the server), "bytes-up N", "chunks-up N" (reads) and "held-us-up N" (the
// microseconds they were held in all, the delay as the machine's scheduler really gave it). A
// delay each way of U microseconds adds 2U to a round trip.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_stop = 0;

// A socket closed with its owner.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

struct Chunk {
  Clock::time_point arrived, due;
  std::string bytes;
  std::size_t sent = 0;
};

// One direction of a connection: what was read and waits for its time to be written on.
struct Direction {
  std::deque<Chunk> queue;
  std::size_t queued = 0;  // bytes waiting, for back pressure
  bool eof = false;        // the reading side has closed
  bool shut = false;       // and that has been passed on
  long long bytes = 0;
  // What the chunks were held in all, from their reading to their last byte's writing: the delay
  // a busy machine really gave, which runs late by its scheduler's latency.
  Clock::duration held{};
  long chunks = 0;
};

struct Link {
  std::unique_ptr<Fd> client, server;
  Direction up, down;  // up: client to server
  bool lastUp = false;
  bool broken = false;
  bool Done() const { return broken || (up.shut && down.shut); }
};

// Reading stops while this much waits in a direction, so a flood cannot fill the memory.
constexpr std::size_t kMaxQueued = 4 << 20;

void NonBlocking(int fd) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int ConnectUnix(const std::string& path) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  if (path.size() >= sizeof a.sun_path) return -1;
  std::memcpy(a.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  NonBlocking(fd);
  return fd;
}

// Reads what from has; false when the link broke.
bool Pull(int from, Direction* d, Clock::duration delay) {
  char buf[65536];
  const ssize_t n = ::read(from, buf, sizeof buf);
  if (n == 0) {
    d->eof = true;
    return true;
  }
  if (n < 0) return errno == EAGAIN || errno == EINTR;
  const Clock::time_point now = Clock::now();
  d->queue.push_back(Chunk{now, now + delay, std::string(buf, static_cast<std::size_t>(n))});
  d->queued += static_cast<std::size_t>(n);
  d->bytes += n;
  return true;
}

// Writes what is due; false when the link broke.
bool Push(int to, Direction* d, Clock::time_point now) {
  while (!d->queue.empty() && d->queue.front().due <= now) {
    Chunk& c = d->queue.front();
    const ssize_t n = ::send(to, c.bytes.data() + c.sent, c.bytes.size() - c.sent, MSG_NOSIGNAL);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    c.sent += static_cast<std::size_t>(n);
    d->queued -= static_cast<std::size_t>(n);
    if (c.sent < c.bytes.size()) return true;
    d->held += Clock::now() - c.arrived;
    ++d->chunks;
    d->queue.pop_front();
  }
  if (d->eof && d->queue.empty() && !d->shut) {
    ::shutdown(to, SHUT_WR);
    d->shut = true;
  }
  return true;
}

bool DueNow(const Direction& d, Clock::time_point now) {
  return !d.queue.empty() && d.queue.front().due <= now;
}

int Usage() {
  std::fprintf(stderr,
               "usage: jobfeed-bench-proxy --to SOCKET [--port P] [--delay-us U] "
               "[--max-seconds S] [--max-connections C]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string to;
  int port = 0;
  long delayUs = 0, maxSeconds = 900, maxConnections = 100;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* v = argv[++i];
    if (a == "--to") {
      to = v;
    } else if (a == "--port") {
      port = std::atoi(v);
    } else if (a == "--delay-us") {
      delayUs = std::atol(v);
    } else if (a == "--max-seconds") {
      maxSeconds = std::atol(v);
    } else if (a == "--max-connections") {
      maxConnections = std::atol(v);
    } else {
      return Usage();
    }
  }
  if (to.empty() || port < 0 || port > 65535 || delayUs < 0 || maxSeconds < 1 ||
      maxConnections < 1) {
    return Usage();
  }
  std::signal(SIGTERM, [](int) { g_stop = 1; });
  std::signal(SIGINT, [](int) { g_stop = 1; });

  Fd listener(::socket(AF_INET, SOCK_STREAM, 0));
  const int one = 1;
  ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never any other address
  socklen_t len = sizeof a;
  if (listener.get() < 0 || ::bind(listener.get(), reinterpret_cast<sockaddr*>(&a), len) != 0 ||
      ::listen(listener.get(), 16) != 0 ||
      ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    std::fprintf(stderr, "jobfeed-bench-proxy: cannot listen on 127.0.0.1: %s\n",
                 std::strerror(errno));
    return 1;
  }
  NonBlocking(listener.get());
  std::printf("port %d\n", ntohs(a.sin_port));
  std::fflush(stdout);

  const pid_t parent = ::getppid();
  const Clock::duration delay = std::chrono::microseconds(delayUs);
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(maxSeconds);
  std::vector<std::unique_ptr<Link>> links;
  long connections = 0, turns = 0;
  Direction up, down;  // the totals of the links that have ended
  auto add = [](const Direction& from, Direction* sum) {
    sum->bytes += from.bytes;
    sum->held += from.held;
    sum->chunks += from.chunks;
  };
  while (g_stop == 0 && ::getppid() == parent && Clock::now() < deadline &&
         (connections < maxConnections || !links.empty())) {
    std::vector<pollfd> fds;
    fds.push_back({connections < maxConnections ? listener.get() : -1, POLLIN, 0});
    Clock::time_point wake = std::min(deadline, Clock::now() + std::chrono::milliseconds(200));
    for (const auto& l : links) {
      // A side is read while its direction has room and polled for writing while it holds due
      // bytes it could not take at once.
      const Clock::time_point now = Clock::now();
      short c = 0, s = 0;
      if (!l->up.eof && l->up.queued < kMaxQueued) c |= POLLIN;
      if (!l->down.eof && l->down.queued < kMaxQueued) s |= POLLIN;
      if (DueNow(l->down, now)) c |= POLLOUT;
      if (DueNow(l->up, now)) s |= POLLOUT;
      // A side with nothing to wait for is left out: a closed socket would wake the poll at once.
      fds.push_back({c != 0 ? l->client->get() : -1, c, 0});
      fds.push_back({s != 0 ? l->server->get() : -1, s, 0});
      // Bytes already due wait for POLLOUT, not for the clock.
      for (const Direction* d : {&l->up, &l->down}) {
        if (!d->queue.empty() && d->queue.front().due > now) {
          wake = std::min(wake, d->queue.front().due);
        }
      }
    }
    const auto wait = std::max(Clock::duration::zero(), wake - Clock::now());
    const timespec ts{static_cast<time_t>(wait / std::chrono::seconds(1)),
                      static_cast<long>((wait % std::chrono::seconds(1)).count())};
    if (::ppoll(fds.data(), fds.size(), &ts, nullptr) < 0 && errno != EINTR) break;

    // A link accepted now is polled from the next round on.
    const std::size_t polled = links.size();
    if ((fds[0].revents & POLLIN) != 0) {
      const int c = ::accept(listener.get(), nullptr, nullptr);
      if (c >= 0) {
        ++connections;
        NonBlocking(c);
        ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto l = std::make_unique<Link>();
        l->client = std::make_unique<Fd>(c);
        l->server = std::make_unique<Fd>(ConnectUnix(to));
        if (l->server->get() >= 0) links.push_back(std::move(l));
      }
    }
    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < polled; ++i) {
      Link& l = *links[i];
      const short c = fds[1 + 2 * i].revents, s = fds[2 + 2 * i].revents;
      if ((c & (POLLIN | POLLHUP | POLLERR)) != 0 && !l.up.eof) {
        const long long before = l.up.bytes;
        l.broken |= !Pull(l.client->get(), &l.up, delay);
        if (l.up.bytes > before) l.lastUp = true;
      }
      if ((s & (POLLIN | POLLHUP | POLLERR)) != 0 && !l.down.eof) {
        const long long before = l.down.bytes;
        l.broken |= !Pull(l.server->get(), &l.down, delay);
        if (l.down.bytes > before && l.lastUp) {
          ++turns;
          l.lastUp = false;
        }
      }
      l.broken |= !Push(l.server->get(), &l.up, now);
      l.broken |= !Push(l.client->get(), &l.down, now);
    }
    for (auto it = links.begin(); it != links.end();) {
      if ((*it)->Done()) {
        add((*it)->up, &up);
        add((*it)->down, &down);
        it = links.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (const auto& l : links) {
    add(l->up, &up);
    add(l->down, &down);
  }
  using std::chrono::microseconds;
  std::printf(
      "connections %ld\nturns %ld\nbytes-up %lld\nbytes-down %lld\nchunks-up %ld\n"
      "chunks-down %ld\nheld-us-up %lld\nheld-us-down %lld\n",
      connections, turns, up.bytes, down.bytes, up.chunks, down.chunks,
      static_cast<long long>(std::chrono::duration_cast<microseconds>(up.held).count()),
      static_cast<long long>(std::chrono::duration_cast<microseconds>(down.held).count()));
  return 0;
}
