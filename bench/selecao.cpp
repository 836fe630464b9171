// Time and memory of opening a selection: every row read whole into memory, through the Firebird
// client (an embedded database file) and through ODBC (SQLite's driver). Rows are real invoices
// (~10 KB) and a few 2 MB documents.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "db/SessaoOdbc.h"
#include "support/Ambiente.h"
#include "support/BancoFirebird.h"

namespace {

using Relogio = std::chrono::steady_clock;

// Resident memory now, in MB.
double MemoriaMb() {
  long paginas = 0, residentes = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &paginas, &residentes) != 2) residentes = 0;
    std::fclose(f);
  }
  return residentes * (sysconf(_SC_PAGESIZE) / 1048576.0);
}

std::string Grande(const std::string& doc) {
  std::string obs = "<!-- ";
  while (obs.size() < 2 * 1024 * 1024) obs += "Peça de reposição ação ";
  std::string g = doc;
  g.insert(g.rfind("</"), obs + "-->");
  return g;
}

template <typename F>
void Medir(const char* nome, F&& consultar) {
  const double antes = MemoriaMb();
  const auto t0 = Relogio::now();
  kiv::db::Conjunto c = consultar();
  const double s = std::chrono::duration<double>(Relogio::now() - t0).count();
  const double depois = MemoriaMb();
  size_t bytes = 0;
  for (c.Primeiro(); !c.Eof(); c.Proximo()) bytes += c.Campo("XML").size();
  std::printf("%-30s %5zu rows %6.1f MB in %6.3f s  %7.1f MB/s  %7.0f rows/s  selection holds %6.1f MB resident\n",
              nome, c.ContaRegistros(), bytes / 1048576.0, s, bytes / 1048576.0 / s, c.ContaRegistros() / s,
              depois - antes);
}

// An SQL literal.
std::string Literal(const std::string& s) {
  std::string r = "'";
  for (char c : s) r += c == '\'' ? std::string("''") : std::string(1, c);
  return r + "'";
}

}  // namespace

int main() {
  const std::string doc = kiv::teste::LerArquivo(kiv::teste::Fixture("nfeProc-4.00-indented.xml"));
  const std::string grande = Grande(doc);
  constexpr int kNotas = 5000;
  constexpr int kGrandes = 20;
  kiv::teste::PastaTemporaria pasta;

  {
    kiv::teste::BancoFirebird banco(pasta / "bench.fdb");
    banco.Executar("CREATE TABLE NOTAS (NUM INTEGER, XML BLOB SUB_TYPE TEXT CHARACTER SET UTF8)");
    std::vector<kiv::teste::BancoFirebird::Valores> linhas;
    for (int i = 0; i < kNotas; ++i) linhas.push_back({std::to_string(i), doc});
    for (int i = 0; i < kGrandes; ++i) linhas.push_back({std::to_string(kNotas + i), grande});
    banco.Inserir("NOTAS", {"NUM", "XML"}, linhas);
  }
  {
    auto sessao = kiv::db::SessaoFirebird::Abrir({pasta / "bench.fdb", "SYSDBA", "masterkey", "RoleName"});
    Medir("Firebird embedded, BLOB TEXT", [&] { return sessao->Consultar("SELECT NUM, XML FROM NOTAS"); });
  }
  {
    auto sessao = kiv::db::AbrirSessaoOdbc("DRIVER=SQLite3;Database=" + pasta / "bench.db", {});
    sessao->Executar("CREATE TABLE NOTAS (NUM INTEGER, XML TEXT)");
    sessao->Executar("BEGIN");
    const std::string ld = Literal(doc), lg = Literal(grande);
    for (int i = 0; i < kNotas; ++i)
      sessao->Executar("INSERT INTO NOTAS VALUES (" + std::to_string(i) + ", " + ld + ")");
    for (int i = 0; i < kGrandes; ++i)
      sessao->Executar("INSERT INTO NOTAS VALUES (" + std::to_string(kNotas + i) + ", " + lg + ")");
    sessao->Executar("COMMIT");
    Medir("ODBC (SQLite3 driver), TEXT", [&] { return sessao->Consultar("SELECT NUM, XML FROM NOTAS"); });
  }
}
