// SPDX-License-Identifier: GPL-3.0-or-later
// A program started the way a shell starts the job `PROGRAM ARGS 2>&1 | tee LOG` on a terminal:
// the program and a reader of its pipe (tee) in a process group of their own, so that a test can
// send the terminal's signals to the whole job, let the reader quit on its own, and see what the
// program does then. POSIX systems only.
#pragma once
#ifndef _WIN32
#include <sys/types.h>

#include <string>
#include <vector>

namespace rz::e2e {

// Which outputs of the program go into the pipe; the other one, if any, goes into a file.
enum class Piped { Both, Output, Error };

class PipedJob {
 public:
  // Starts `program` with `args` in `folder` (also its temporary folder), standard input from the
  // null device, and its reader; neither dumps core. Throws std::runtime_error when it cannot.
  PipedJob(const std::string& program, const std::vector<std::string>& args,
           const std::string& folder, Piped piped);
  ~PipedJob();  // kills and reaps whatever still runs
  PipedJob(const PipedJob&) = delete;
  PipedJob& operator=(const PipedJob&) = delete;

  // Waits until the program has stopped (SIGSTOP); false when it ended instead.
  bool WaitUntilStopped();
  // Sends `signal` to the whole job, as the terminal does, and waits until the reader has died
  // of it.
  void SignalJob(int signal);
  // The reader alone ends, as a reader that has seen enough does.
  void EndReader();
  // Lets the stopped program go on and waits for its end: its exit status, 128 + N when signal N
  // ended it.
  int ContinueToEnd();

  // What reached the reader, and what the program wrote on the output that was not piped.
  std::string ReaderLog() const;
  std::string UnpipedText() const;

 private:
  void WaitForReader();

  std::string folder_;
  pid_t program_ = -1;
  pid_t reader_ = -1;
  int status_ = -1;  // the program's exit status once it ended
};

}  // namespace rz::e2e
#endif
