// The delaying proxy (jobfeed-bench-proxy) as the benchmark runs it: started for one run on a
// free loopback port, stopped after it, its counts read from what it prints.
#pragma once

#include <sys/types.h>

#include <string>

namespace jf::bench {

struct ProxyCounts {
  long connections = 0;
  long turns = 0;  // answers: data from the server after data from the client
  long long bytesUp = 0, bytesDown = 0;
  long chunksUp = 0, chunksDown = 0;       // reads, each way
  long long heldUpUs = 0, heldDownUs = 0;  // what they were held in all
  // The delay a round trip really got: a chunk's mean hold each way.
  double RoundTripMs() const {
    return (chunksUp ? static_cast<double>(heldUpUs) / static_cast<double>(chunksUp) : 0.0) / 1000 +
           (chunksDown ? static_cast<double>(heldDownUs) / static_cast<double>(chunksDown) : 0.0) /
               1000;
  }
};

class DelayProxy {
 public:
  DelayProxy() = default;
  DelayProxy(const DelayProxy&) = delete;
  DelayProxy& operator=(const DelayProxy&) = delete;
  // Stops the proxy if Stop was not called.
  ~DelayProxy();

  // Starts program forwarding 127.0.0.1 to the Unix socket, each way delayed by delayUs.
  // Returns false with *error when it does not listen.
  bool Start(const std::string& program, const std::string& socket, long delayUs,
             std::string* error);
  int port() const { return port_; }
  // Stops it and reads its counts; false when it did not report them.
  bool Stop(ProxyCounts* counts);

 private:
  pid_t pid_ = -1;
  int out_ = -1;  // its standard output
  int port_ = 0;
};

}  // namespace jf::bench
