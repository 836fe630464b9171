#pragma once
// What the fault tests share: a dealer database of invoices with keys of their own, a job file
// for it, the host program run as a child process (killed at will, its peak memory taken), the
// day's register as a later run would load it, and the check that no log shows the password.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "nfe/Tags.h"
#include "run/RegistroEnviados.h"
#include "support/Ambiente.h"
#include "support/BancoFirebird.h"

extern char** environ;

namespace kiv::falhas {

// Every job file of the suite carries this password; no log may ever show it.
inline const std::string kSenha = "Senha&Secreta<DMS>-7731";

// The password as it stands in a job file.
inline std::string SenhaEscapada() { return "Senha&amp;Secreta&lt;DMS&gt;-7731"; }

inline void SemSenha(const std::string& log, const std::string& contexto) {
  EXPECT_EQ(log.find(kSenha), std::string::npos) << contexto << ": the log shows the password";
  EXPECT_EQ(log.find("Secreta"), std::string::npos) << contexto << ": the log shows part of the password";
}

// The 44-digit access key of invoice `i` of batch `lote`.
inline std::string Chave(int lote, int i) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "41170706117473000150550%03d%018d", lote, i);
  return texto;
}

// The sample invoice (layout 4.00, with its authorisation) under another access key.
inline std::string Documento(const std::string& chave) {
  static const std::string modelo = teste::LerArquivo(teste::Fixture("nfeProc-4.00-indented.xml"));
  static const std::string original = nfe::ObterChave(modelo);
  std::string doc = modelo;
  for (size_t p = doc.find(original); p != std::string::npos; p = doc.find(original, p + chave.size()))
    doc.replace(p, original.size(), chave);
  return doc;
}

// A Firebird database file whose table NOTAS holds one invoice per key, in key order.
inline void CriarBanco(const std::string& caminho, const std::vector<std::string>& chaves) {
  teste::BancoFirebird banco(caminho);
  banco.Executar("CREATE TABLE NOTAS (NUM INTEGER, XML BLOB SUB_TYPE TEXT CHARACTER SET UTF8)");
  std::vector<teste::BancoFirebird::Valores> linhas;
  for (size_t i = 0; i < chaves.size(); ++i) linhas.push_back({std::to_string(i), Documento(chaves[i])});
  banco.Inserir("NOTAS", {"NUM", "XML"}, linhas);
  banco.Desligar();
}

// A job delivering the invoices of `banco` (those the condition selects) from memory to `url`.
inline std::string Job(const std::string& banco, const std::string& url, const std::string& condicao = "") {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<Selecao xmlns="urn:kivxmlvw:selecao">
  <Origem>
    <Banco>
      <Tipo>FIREBIRD</Tipo>
      <DataBase>)" + banco + R"(</DataBase>
      <User>SYSDBA</User>
      <Passwd>)" + SenhaEscapada() + R"(</Passwd>
    </Banco>
    <Execute><![CDATA[SELECT XML AS XML#NFE# FROM NOTAS)" + (condicao.empty() ? "" : " WHERE " + condicao) +
         R"( ORDER BY NUM]]></Execute>
    <Result><Tipo>Memoria</Tipo><Dados>XMLNFE</Dados></Result>
  </Origem>
  <Destino><Soap><Url>)" + url + R"(</Url></Soap></Destino>
</Selecao>
)";
}

// How a run of the host program ended.
struct Resultado {
  int status = -1;  // exit status, or 128 + the signal that ended it
  long picoKb = 0;  // peak resident memory (a process started from a large one counts its peak too)
  std::string log;  // standard output
  std::string erro;  // standard error
  bool parado = false;  // still running at the time limit, and killed
};

// The host program running one job, in a process group of its own; its output goes to the files
// `saida`.log and `saida`.err (beside the job unless told otherwise). With `medir`, it is
// started through kiv_pico, so that its peak memory is its own.
class Hospedeiro {
 public:
  explicit Hospedeiro(const std::string& job, const std::string& saida = "", bool medir = false)
      : saida_((saida.empty() ? job : saida) + ".log"),
        erro_((saida.empty() ? job : saida) + ".err"),
        relatorio_(medir ? (saida.empty() ? job : saida) + ".pico" : "") {
    posix_spawn_file_actions_t acoes;
    posix_spawn_file_actions_init(&acoes);
    posix_spawn_file_actions_addopen(&acoes, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&acoes, STDOUT_FILENO, saida_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&acoes, STDERR_FILENO, erro_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t atributos;
    posix_spawnattr_init(&atributos);
    posix_spawnattr_setflags(&atributos, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&atributos, 0);
    std::vector<std::string> args;
    if (medir) args = {KIV_PICO_PATH, relatorio_};
    args.insert(args.end(), {KIV_HOST_PATH, job});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int r = posix_spawnp(&pid_, argv[0], &acoes, &atributos, argv.data(), environ);
    posix_spawnattr_destroy(&atributos);
    posix_spawn_file_actions_destroy(&acoes);
    if (r != 0) throw std::runtime_error(std::string("cannot start ") + argv[0]);
  }
  ~Hospedeiro() {
    if (pid_ > 0) {
      Matar();
      waitpid(pid_, nullptr, 0);
    }
  }
  Hospedeiro(const Hospedeiro&) = delete;
  Hospedeiro& operator=(const Hospedeiro&) = delete;

  void Matar() const { kill(-pid_, SIGKILL); }
  void Pausar() const { kill(-pid_, SIGSTOP); }
  void Continuar() const { kill(-pid_, SIGCONT); }

  // The processor time the program has used so far, in clock ticks.
  long TempoDeProcessador() const {
    const std::string stat = teste::LerArquivo("/proc/" + std::to_string(pid_) + "/stat");
    // The fields after the command name, which is in parentheses: state is field 3, utime 14, stime 15.
    const size_t depois = stat.rfind(')');
    long utime = 0, stime = 0;
    if (depois == std::string::npos ||
        std::sscanf(stat.c_str() + depois + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld", &utime, &stime) != 2)
      throw std::runtime_error("cannot read " + stat);
    return utime + stime;
  }

  // Waits for the end of the run; a run still going after `limite` is killed and reported as
  // such (status 128 + SIGKILL, `parado` set).
  Resultado Esperar(std::chrono::milliseconds limite = std::chrono::seconds(120)) {
    Resultado r;
    int status = 0;
    rusage uso{};
    const auto fim = std::chrono::steady_clock::now() + limite;
    pid_t fimFilho;
    while ((fimFilho = wait4(pid_, &status, WNOHANG, &uso)) == 0) {
      if (std::chrono::steady_clock::now() >= fim) {
        r.parado = true;
        Matar();
        fimFilho = wait4(pid_, &status, 0, &uso);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (fimFilho != pid_) throw std::runtime_error("wait4 failed");
    pid_ = -1;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.picoKb = uso.ru_maxrss;
    if (!relatorio_.empty() && !r.parado) {
      const std::string relatorio = teste::LerArquivo(relatorio_);
      if (std::sscanf(relatorio.c_str(), "%d %ld", &r.status, &r.picoKb) != 2)
        throw std::runtime_error("bad report from kiv_pico: " + relatorio);
    }
    r.log = teste::LerArquivo(saida_);
    r.erro = teste::LerArquivo(erro_);
    SemSenha(r.log + r.erro, saida_);
    return r;
  }

 private:
  std::string saida_, erro_, relatorio_;
  pid_t pid_ = -1;
};

// A whole run, its peak memory measured.
inline Resultado RodarHospedeiro(const std::string& job, const std::string& saida = "",
                                 std::chrono::milliseconds limite = std::chrono::seconds(120)) {
  return Hospedeiro(job, saida, true).Esperar(limite);
}

// The lines of a log, without their CR LF.
inline std::vector<std::string> Linhas(const std::string& log) {
  std::vector<std::string> linhas;
  size_t inicio = 0;
  while (inicio < log.size()) {
    size_t fim = log.find('\n', inicio);
    if (fim == std::string::npos) fim = log.size();
    std::string linha = log.substr(inicio, fim - inicio);
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    linhas.push_back(std::move(linha));
    inicio = fim + 1;
  }
  return linhas;
}

inline size_t ComecandoCom(const std::vector<std::string>& linhas, const std::string& prefixo) {
  size_t n = 0;
  for (const auto& l : linhas) n += l.rfind(prefixo, 0) == 0;
  return n;
}

// The registers of a Work folder as the next run would load them (one file per day; a run that
// crosses midnight leaves two). Loading throws when a file is not a valid register.
class Registros {
 public:
  explicit Registros(const std::string& work) {
    if (!std::filesystem::is_directory(work)) return;
    for (const auto& e : std::filesystem::directory_iterator(work)) {
      const std::string nome = e.path().filename().string();
      if (nome.rfind("NfeEnvVW_", 0) != 0 || e.path().extension() != ".xml") continue;
      auto r = std::make_unique<run::TRegistroEnviados>();
      r->Preparar(work, e.path().string());
      registros_.push_back(std::move(r));
    }
  }
  size_t Arquivos() const { return registros_.size(); }
  size_t Quantidade() const {
    size_t n = 0;
    for (const auto& r : registros_) n += r->Quantidade();
    return n;
  }
  bool Contem(const std::string& chave, const std::string& tipo = "E") const {
    for (const auto& r : registros_)
      if (r->Localizar(chave, tipo)) return true;
    return false;
  }

 private:
  std::vector<std::unique_ptr<run::TRegistroEnviados>> registros_;
};

// Waits, within `limite`, until `condicao` holds; returns whether it did.
template <class F>
bool Aguardar(F&& condicao, std::chrono::milliseconds limite, std::chrono::milliseconds passo = std::chrono::milliseconds(5)) {
  const auto fim = std::chrono::steady_clock::now() + limite;
  while (!condicao()) {
    if (std::chrono::steady_clock::now() >= fim) return false;
    std::this_thread::sleep_for(passo);
  }
  return true;
}

}  // namespace kiv::falhas
