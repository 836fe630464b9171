// kivxmlvw: runs one KIVXmlVW job for a scheduler (cron, a systemd timer) and prints its log.
#include <string.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/Biblioteca.h"

namespace {

constexpr const char* kVersao = "1.0.0";

using FnKiv = bool (*)();
using FnConfig = void (*)(char**);
using FnExecuta = void (*)(char**, const char*);

void Uso(std::FILE* saida) {
  std::fprintf(saida,
               "Usage: kivxmlvw [--biblioteca PATH] JOB.xml\n"
               "       kivxmlvw [--biblioteca PATH] --config\n"
               "       kivxmlvw --help | --version\n"
               "\n"
               "Runs the KIVXmlVW job described by JOB.xml and writes its log to standard output.\n"
               "  --biblioteca PATH  load the package from PATH instead of ../lib/libKIVXmlVW.so\n"
               "                     beside this program\n"
               "  --config           print the package's parameter descriptor\n"
               "Exit status: 0 when no log line begins with \"Erro\", 1 when one does,\n"
               "2 for a usage error or a package that cannot be loaded.\n");
}

int Falha(const std::string& mensagem) {
  std::fprintf(stderr, "kivxmlvw: %s\n", mensagem.c_str());
  return 2;
}

bool TemLinhaDeErro(std::string_view log) {
  // A line begins at the start of the log or after a line feed.
  if (log.substr(0, 4) == "Erro") return true;
  return memmem(log.data(), log.size(), "\nErro", 5) != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");

  std::string biblioteca;
  std::string job;
  bool config = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      Uso(stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("kivxmlvw %s\n", kVersao);
      return 0;
    }
    if (arg == "--config") {
      config = true;
    } else if (arg == "--biblioteca") {
      if (++i >= argc) return Falha("--biblioteca needs a path");
      biblioteca = argv[i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      Uso(stderr);
      return Falha("unknown option " + std::string(arg));
    } else if (job.empty()) {
      job = arg;
    } else {
      Uso(stderr);
      return Falha("only one job file may be given");
    }
  }
  if (!config && job.empty()) {
    Uso(stderr);
    return Falha("no job file given");
  }
  if (biblioteca.empty()) biblioteca = kiv::plataforma::PastaDoExecutavel() + "/../lib/libKIVXmlVW.so";

  try {
    kiv::plataforma::Biblioteca pacote(biblioteca);
    auto kiv = reinterpret_cast<FnKiv>(pacote.Simbolo("Kiv"));
    auto cfg = reinterpret_cast<FnConfig>(pacote.Simbolo("Config"));
    auto executa = reinterpret_cast<FnExecuta>(pacote.Simbolo("Executa"));
    if (!kiv || !cfg || !executa || !kiv()) return Falha(biblioteca + " is not a KIVXmlVW package");

    char* texto = nullptr;
    if (config) {
      cfg(&texto);
      std::printf("%s\n", texto ? texto : "");
      std::free(texto);
      return 0;
    }
    executa(&texto, job.c_str());
    // The log is written from the package's buffer itself: a large run's log is not copied.
    const std::string_view log = texto ? std::string_view(texto) : std::string_view();
    std::fwrite(log.data(), 1, log.size(), stdout);
    std::fflush(stdout);
    const int status = TemLinhaDeErro(log) ? 1 : 0;
    std::free(texto);
    return status;
  } catch (const std::exception& e) {
    return Falha(e.what());
  }
}
