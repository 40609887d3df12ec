// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for pkexec inside the test virtual machine, which has no polkit: installed setuid
// root as /usr/bin/pkexec, it runs the program it is given (an absolute path, as pkexec requires)
// as root with a cleared environment, as pkexec does for an authorised user. Never installed on
// a real system.
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] != '/') {
    std::fprintf(stderr, "pkexec stand-in: an absolute program path is needed\n");
    return 127;
  }
  if (::setgid(0) != 0 || ::setuid(0) != 0) {
    std::perror("pkexec stand-in: not installed setuid root");
    return 127;
  }
  char path[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
  char* environment[] = {path, nullptr};
  ::execve(argv[1], argv + 1, environment);
  std::perror("pkexec stand-in: cannot run the program");
  return 127;
}
