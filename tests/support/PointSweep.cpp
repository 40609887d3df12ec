// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PointSweep.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include <nlohmann/json.hpp>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace rz::test::matrix {

using nlohmann::json;

Verdict Judge(const Point& point, const Observation& o, const Observation& clean) {
  Verdict v;
  v.point = point;
  v.fired = FaultFired(point, o);
  v.failedRequests = o.failedRequests;
  v.violations = Check(point, o, clean);
  if (!v.violations.empty()) v.transcript = o.lines;
  return v;
}

#if defined(_WIN32)

bool CanBranch() { return false; }

std::uint64_t Sweep(const Point&, const Observation&, const SweepPlan&,
                    const std::function<void(const Verdict&)>&) {
  throw std::logic_error("runs cannot be forked on this system");
}

#else

bool CanBranch() { return true; }

namespace {

json Encode(const Verdict& v) {
  json violations = json::object();
  for (const auto& [i, text] : v.violations) violations[std::to_string(static_cast<int>(i))] = text;
  return json{{"fired", v.fired}, {"failed", v.failedRequests}, {"violations", violations},
              {"lines", v.transcript}};
}

Verdict Decode(const Point& point, const std::string& data) {
  Verdict v;
  v.point = point;
  const json j = json::parse(data);
  v.fired = j.at("fired").get<bool>();
  v.failedRequests = j.at("failed").get<std::uint64_t>();
  for (const auto& [key, text] : j.at("violations").items())
    v.violations[static_cast<Invariant>(std::stoi(key))] = text.get<std::string>();
  v.transcript = j.at("lines").get<std::vector<std::string>>();
  return v;
}

void WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::string ReadToEnd(int fd) {
  std::string data;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return data;
    data.append(buffer, static_cast<std::size_t>(n));
  }
}

class ForkedBranches final : public Branches {
 public:
  ForkedBranches(const Point& base, const Observation& clean, const SweepPlan& plan,
                 const std::function<void(const Verdict&)>& report)
      : base_(base), clean_(clean), plan_(plan), report_(report), rng_(plan.seed) {
    // The moments of the fault-free run: its driver requests and its chip operations.
    const std::uint64_t total =
        clean.requestsAfter - clean.requestsBefore + clean.operations;
    for (std::uint64_t i = 0; i < plan.doubles && total > 0; ++i) doubles_.push_back(rng_() % total);
    std::sort(doubles_.begin(), doubles_.end());
  }

  std::uint64_t Moments() const { return moment_; }

  void At(FaultKind kind, std::uint64_t n, const Moment& now,
          const std::function<void()>& inject) override {
    if (inBranch_) return;
    const std::uint64_t index = moment_++;
    const Point single{base_.preset, base_.command, Fault{kind, n, nullptr}, std::nullopt};
    // A failed request once the chip was touched, and a power cut (which leaves the program
    // running against a dead chip), are followed by the automatic restore's whole chip of work.
    const bool restores = kind == FaultKind::PowerCut || (kind == FaultKind::Request && now.chipWritten);
    if (index % plan_.stride == plan_.offset && (!restores || writes_++ % plan_.writeStride == 0)) {
      const bool restore = kind == FaultKind::PowerCut && cuts_++ % plan_.restoreStride == 0;
      if (Fork(single, restore, inject)) return;
    }
    for (; next_ < doubles_.size() && doubles_[next_] == index; ++next_) {
      Point twice = single;
      twice.second = Draw(kind, now);
      if (Fork(twice, false, inject)) return;
    }
  }

  void End(const Observation& o) override {
    WriteAll(out_, Encode(Judge(current_, o, clean_)).dump());
    ::close(out_);
    ::_exit(0);
  }

  bool InBranch() const override { return inBranch_; }
  std::optional<Fault> Second() const override { return current_.second; }
  bool RestoreInBranch() const override { return restore_; }
  const Bytes& CleanChip() const override { return clean_.chipAfter; }

 private:
  // A second fault from the part of the fault-free run still ahead.
  Fault Draw(FaultKind first, const Moment& now) {
    // Half of them soon after the first (where its failure is being handled), half anywhere.
    const auto ahead = [&](std::uint64_t from, std::uint64_t end) {
      const std::uint64_t span = rng_() % 2 ? 8 : std::max(end, from) - from + 1;
      return from + rng_() % span;
    };
    switch (rng_() % (first == FaultKind::PowerCut ? 3 : 2)) {
      case 0: return Fault{FaultKind::FileCall, ahead(now.fileCalls, clean_.callsAfter), nullptr};
      case 1: return Fault{FaultKind::DiskFull, ahead(now.fileWrites, clean_.writesAfter), nullptr};
      default:
        return Fault{FaultKind::Request, ahead(now.requests + 1, clean_.requestsAfter), nullptr};
    }
  }

  // True in the child, which goes on to run the point.
  bool Fork(const Point& point, bool restore, const std::function<void()>& inject) {
    std::fflush(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("no pipe for a branch");
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("cannot fork a branch");
    if (pid == 0) {
      ::close(fds[0]);
      out_ = fds[1];
      inBranch_ = true;
      current_ = point;
      restore_ = restore;
      inject();
      return true;
    }
    ::close(fds[1]);
    const std::string data = ReadToEnd(fds[0]);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    Verdict v;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && !data.empty()) {
      v = Decode(point, data);
    } else {
      v.point = point;
      v.violations[Invariant::NoCrash] =
          WIFSIGNALED(status) ? "the run died of signal " + std::to_string(WTERMSIG(status))
                              : "the run ended without a verdict";
    }
    report_(v);
    return false;
  }

  Point base_;
  const Observation& clean_;
  SweepPlan plan_;
  const std::function<void(const Verdict&)>& report_;
  std::mt19937_64 rng_;
  std::vector<std::uint64_t> doubles_;
  std::size_t next_ = 0;
  std::uint64_t moment_ = 0, cuts_ = 0, writes_ = 0;
  bool inBranch_ = false, restore_ = false;
  Point current_;
  int out_ = -1;
};

}  // namespace

std::uint64_t Sweep(const Point& base, const Observation& clean, const SweepPlan& plan,
                    const std::function<void(const Verdict&)>& report) {
  ForkedBranches branches(base, clean, plan, report);
  RunOptions options;
  options.branches = &branches;
  RunPoint(base, options);
  return branches.Moments();
}

#endif

}  // namespace rz::test::matrix
