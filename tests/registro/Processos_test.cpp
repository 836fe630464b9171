// The register file against other processes, killed processes and a full disk.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "run/RegistroEnviados.h"
#include "support/Ambiente.h"

namespace {

using kiv::run::TRegistroEnviados;

// A 44-character key of process `p`, entry `i`.
std::string Chave(int p, int i) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "3512%02d%038d", p, i);
  return texto;
}

const std::string kDescricao = "Autorizado o uso da NF-e, protocolo 135120000012345 & validação concluída";

// Runs `corpo` in a child process; the child's exit status is 0 when it returned and 1 when it
// threw. Returns the child's pid.
pid_t Filho(const std::function<void()>& corpo) {
  const pid_t pid = fork();
  if (pid == 0) {
    int status = 0;
    try {
      corpo();
    } catch (...) {
      status = 1;
    }
    _exit(status);
  }
  return pid;
}

int Esperar(pid_t pid) {
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, 0), pid);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class RegistroProcessos : public ::testing::Test {
 protected:
  kiv::teste::PastaTemporaria pasta;
  std::string work = pasta / "Work";
  std::string arquivo = work + "/NfeEnvVW_20120315.xml";

  void Criar(int p, int quantidade) {
    TRegistroEnviados registro;
    registro.Preparar(work, arquivo);
    for (int i = 0; i < quantidade; ++i) registro.Registrar(Chave(p, i), "E", "100", kDescricao);
    registro.Fechar();
  }
};

TEST_F(RegistroProcessos, TwoJobsSavingToOneFolderLoseNoEntry) {
  constexpr int kRodadas = 150;
  pid_t filhos[2];
  for (int p = 0; p < 2; ++p)
    filhos[p] = Filho([&, p] {
      // One short run after another: load, record one acceptance, save.
      for (int i = 0; i < kRodadas; ++i) {
        TRegistroEnviados registro;
        registro.Preparar(work, arquivo);
        registro.Registrar(Chave(p, i), p ? "C" : "E", "100", kDescricao);
        registro.Fechar();
      }
    });
  for (pid_t f : filhos) EXPECT_EQ(Esperar(f), 0);

  TRegistroEnviados registro;
  registro.Preparar(work, arquivo);
  EXPECT_EQ(registro.Quantidade(), 2u * kRodadas);
  for (int p = 0; p < 2; ++p)
    for (int i = 0; i < kRodadas; ++i) EXPECT_TRUE(registro.Localizar(Chave(p, i), p ? "C" : "E")) << p << " " << i;
}

TEST_F(RegistroProcessos, ASaveKilledHalfWayLeavesAValidFile) {
  // Big enough that writing the file takes a while.
  constexpr int kBase = 20000;
  Criar(99, kBase);
  const std::string temporario = arquivo + ".tmp";
  for (int rodada = 0; rodada < 6; ++rodada) {
    SCOPED_TRACE("round " + std::to_string(rodada));
    std::remove(temporario.c_str());
    int canal[2];
    ASSERT_EQ(pipe(canal), 0);
    const pid_t pid = Filho([&] {
      close(canal[0]);
      for (int i = 0;; ++i) {
        TRegistroEnviados registro;
        registro.Preparar(work, arquivo);
        registro.Registrar(Chave(rodada, i), "E", "100", kDescricao);
        registro.Fechar();
        if (write(canal[1], &i, sizeof i) != sizeof i) return;
      }
    });
    close(canal[1]);
    // After the first completed save, kill as soon as a write is under way, a little later
    // each round.
    int salvas = -1, lido;
    while (salvas < 0 && read(canal[0], &lido, sizeof lido) == sizeof lido) salvas = lido;
    bool durante = false;
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!durante && std::chrono::steady_clock::now() < limite) durante = kiv::teste::Existe(temporario);
    if (!durante) usleep(20000);
    usleep(static_cast<useconds_t>(rodada * 400));
    kill(pid, SIGKILL);
    while (read(canal[0], &lido, sizeof lido) == sizeof lido) salvas = lido;
    close(canal[0]);
    EXPECT_EQ(Esperar(pid), 128 + SIGKILL);
    EXPECT_TRUE(durante) << "no write was caught under way";

    TRegistroEnviados registro;
    ASSERT_NO_THROW(registro.Preparar(work, arquivo));
    EXPECT_GE(registro.Quantidade(), static_cast<size_t>(kBase));
    for (int i = 0; i <= salvas; ++i) EXPECT_TRUE(registro.Localizar(Chave(rodada, i), "E")) << i;
  }
}

TEST_F(RegistroProcessos, AFullDiskLeavesThePreviousFile) {
  Criar(1, 2000);
  const std::string antes = kiv::teste::LerArquivo(arquivo);
  const pid_t pid = fork();
  if (pid == 0) {
    // The file-size limit stands in for a full disk: the write fails half-way.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limite{antes.size() / 2, antes.size() / 2};
    setrlimit(RLIMIT_FSIZE, &limite);
    try {
      TRegistroEnviados registro;
      registro.Preparar(work, arquivo);
      registro.Registrar(Chave(2, 0), "E", "100", kDescricao);
      registro.Fechar();
    } catch (const std::exception& e) {
      const std::string esperado = "Registro de enviados " + arquivo + " não pode ser gravado: ";
      _exit(std::string(e.what()).rfind(esperado, 0) == 0 ? 3 : 4);
    }
    _exit(0);
  }
  EXPECT_EQ(Esperar(pid), 3) << "Fechar() reports the failed write";
  EXPECT_EQ(kiv::teste::LerArquivo(arquivo), antes);
  EXPECT_FALSE(kiv::teste::Existe(arquivo + ".tmp"));
}

}  // namespace
