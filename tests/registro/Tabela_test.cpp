// The register as a table: naming, recording and lookup.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "registro/Impressao.h"
#include "run/RegistroEnviados.h"
#include "support/Ambiente.h"

namespace {

using kiv::run::TEntradaEnviada;
using kiv::run::TRegistroEnviados;

const std::string K1 = "35120312345678000190550010000012341000012345";
const std::string K2 = "35120312345678000190550010000012351000012340";

TEST(RegistroNomes, WorkFolderAndDailyFile) {
  struct Caso {
    std::string configuracao, pasta;
  } casos[] = {
      {"/jobs/vw.xml", "/jobs/Work"},
      {"/vw.xml", "/Work"},
      {"jobs/vw/job.xml", "jobs/vw/Work"},
      {"vw.xml", "Work"},                 // no folder part: relative to the current directory
      {"C:\\Jobs\\vw.xml", "Work"},       // a backslash is part of a file name here
      {"/jobs/dir.v2/vw", "/jobs/dir.v2/Work"},
  };
  for (const auto& c : casos) EXPECT_EQ(kiv::run::PastaWork(c.configuracao), c.pasta) << c.configuracao;

  EXPECT_EQ(kiv::run::ArquivoRegistro("/jobs/Work", {2024, 3, 5, 23, 59, 59, 0}), "/jobs/Work/NfeEnvVW_20240305.xml");
  EXPECT_EQ(kiv::run::ArquivoRegistro("Work", {2012, 12, 31}), "Work/NfeEnvVW_20121231.xml");
}

TEST(RegistroTabela, RecordsAndLooksUpPairs) {
  struct Registro {
    std::string chave, tipo, status, descricao;
  };
  struct Consulta {
    std::string chave, tipo;
    std::optional<TEntradaEnviada> esperado;  // nullopt: not found
  };
  struct Caso {
    const char* nome;
    std::vector<Registro> registros;
    size_t quantidade;
    std::vector<Consulta> consultas;
  };
  const std::string a150 = [] {
    std::string s;
    for (int i = 0; i < 150; ++i) s += "ã";
    return s;
  }();
  const std::string a100 = a150.substr(0, 200);  // "ã" is two bytes

  const Caso casos[] = {
      // Recording
      {"the same pair twice keeps one entry with the second answer",
       {{K1, "E", "100", "primeira"}, {K1, "E", "100", "segunda"}},
       1,
       {{K1, "E", TEntradaEnviada{K1, "E", "100", "segunda"}}}},
      {"a cancellation is recorded beside the invoice",
       {{K1, "E", "100", "nota"}, {K1, "C", "100", "evento"}},
       2,
       {{K1, "E", TEntradaEnviada{K1, "E", "100", "nota"}}, {K1, "C", TEntradaEnviada{K1, "C", "100", "evento"}}}},
      {"other keys and kinds are not found",
       {{K1, "E", "100", "x"}},
       1,
       {{K2, "E", std::nullopt}, {K1, "C", std::nullopt}, {K1, "", std::nullopt}, {"", "E", std::nullopt},
        {K1.substr(0, 43), "E", std::nullopt}}},
      // Exact and case-sensitive
      {"keys differing only in letter case stay apart",
       {{"NFeabc", "E", "100", "minusculas"}, {"NFeABC", "E", "100", "maiusculas"}},
       2,
       {{"NFeabc", "E", TEntradaEnviada{"NFeabc", "E", "100", "minusculas"}},
        {"NFeABC", "E", TEntradaEnviada{"NFeABC", "E", "100", "maiusculas"}},
        {"NFEABC", "E", std::nullopt},
        {K1, "e", std::nullopt}}},
      // Widths count characters
      {"a 150-character message is cut to 100 characters",
       {{K1, "E", "100", a150}},
       1,
       {{K1, "E", TEntradaEnviada{K1, "E", "100", a100}}}},
      {"the key, the kind and the status are cut to their widths",
       {{K1 + "99", "EX", "1000", "ok"}},
       1,
       {{K1, "E", TEntradaEnviada{K1, "E", "100", "ok"}}, {K1 + "99", "EX", std::nullopt}}},
      // 8-bit text
      {"characters outside the code page, or no XML can carry, become ?",
       {{K1, "E", "100", "Autorizado o uso da NF-e € ✓ \x01 fim\xff"}},
       1,
       {{K1, "E", TEntradaEnviada{K1, "E", "100", "Autorizado o uso da NF-e € ? ? fim?"}}}},
  };

  kiv::teste::PastaTemporaria pasta;
  int dia = 0;
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nome);
    TRegistroEnviados registro;
    registro.Preparar(pasta / "Work", kiv::run::ArquivoRegistro(pasta / "Work", {2012, 3, ++dia}));
    EXPECT_EQ(registro.Quantidade(), 0u);
    for (const auto& r : caso.registros) registro.Registrar(r.chave, r.tipo, r.status, r.descricao);
    EXPECT_EQ(registro.Quantidade(), caso.quantidade);
    for (const auto& c : caso.consultas) {
      EXPECT_EQ(registro.Localizar(c.chave, c.tipo), c.esperado.has_value()) << c.chave << "/" << c.tipo;
      EXPECT_EQ(registro.Entrada(c.chave, c.tipo), c.esperado) << c.chave << "/" << c.tipo;
    }
    EXPECT_NO_THROW(registro.Fechar());
  }
}

TEST(RegistroTabela, ANewDayStartsEmpty) {
  kiv::teste::PastaTemporaria pasta;
  const std::string work = kiv::run::PastaWork(pasta / "vw.xml");
  {
    TRegistroEnviados ontem;
    ontem.Preparar(work, kiv::run::ArquivoRegistro(work, {2012, 3, 14, 23, 59}));
    ontem.Registrar(K1, "E", "100", "ok");
    ontem.Fechar();
  }
  TRegistroEnviados hoje;
  hoje.Preparar(work, kiv::run::ArquivoRegistro(work, {2012, 3, 15, 0, 1}));
  EXPECT_EQ(hoje.Quantidade(), 0u);
  EXPECT_FALSE(hoje.Localizar(K1, "E"));
  hoje.Fechar();
  // Yesterday's file stays as it was.
  EXPECT_TRUE(kiv::teste::Existe(work + "/NfeEnvVW_20120314.xml"));
  EXPECT_TRUE(kiv::teste::Existe(work + "/NfeEnvVW_20120315.xml"));
}

}  // namespace
