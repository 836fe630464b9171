// kiv_pico REPORT PROGRAM [ARG...]: runs PROGRAM as a child and writes its exit status (128 + the
// signal when one ended it) and its peak resident memory in KB to REPORT, as "<status> <kb>".
//
// A program started straight from a large process counts that process's peak as its own (the
// kernel carries the count across exec); started from this small one, the count is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kiv_pico REPORT PROGRAM [ARG...]\n");
    return 2;
  }
  const pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    execv(argv[2], argv + 2);
    _exit(127);
  }
  int estado = 0;
  rusage uso{};
  if (wait4(pid, &estado, 0, &uso) != pid) return 2;
  const int codigo = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
  std::FILE* relatorio = std::fopen(argv[1], "w");
  if (!relatorio) return 2;
  std::fprintf(relatorio, "%d %ld\n", codigo, uso.ru_maxrss);
  std::fclose(relatorio);
  return codigo < 128 ? codigo : 1;
}
