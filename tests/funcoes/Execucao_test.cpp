// The prepared command inside a run: what the log shows for a refusal, a prepared command and a
// group that cannot be worked out, on an embedded Firebird database.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "package/Executa.h"
#include "support/Ambiente.h"
#include "support/BancoFirebird.h"

namespace {

using kiv::teste::PastaTemporaria;

TEST(ExecucaoComando, TheRunLogsThePreparedCommandOrStopsAtTheRefusal) {
  kiv::teste::AmbienteFixo ambiente(kiv::teste::Marco2012(), kiv::teste::RegionalBrasil());
  struct Caso {
    std::string execute;
    std::vector<std::string> linhas;  // the run's own lines, between the frame
    bool parou;                       // stopped before the day's register is set up
  };
  const Caso casos[] = {
      {"UPDATE T SET N = 0", {"Erro: Ao abrir conexão com o banco - Comando deve ser apenas SELECT!"}, true},
      {"SELECT DD FROM T",
       {"Erro: Ao abrir conexão com o banco - Verifica se todos os campos de retorno do SELECT estão com ALIAS com "
        "caracter #."},
       true},
      {"SELECT d#D# FROM t WHERE dt >= @$HOJE$-7@ AND n = @10*(2+3)@;",
       {"Comando SELECT: [SELECT dD FROM t WHERE dt >= CAST('2012-03-08' AS DATE) AND n = 50 ]",
        "Aviso: sem movimento para o periodo."},
       false},
      {"SELECT d#D# FROM t WHERE n = @1/0@", {"Erro ao executar pacote: Divisão por zero na expressão: 1/0"}, true},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.execute);
    PastaTemporaria pasta;
    {
      kiv::teste::BancoFirebird banco(pasta / "dms.fdb");
      banco.Executar("CREATE TABLE T (DD VARCHAR(10), DT DATE, N INTEGER)");
      // n is 50, but the day before the seven: an empty selection shows that Firebird read the
      // literal as 8 March.
      banco.Executar("INSERT INTO T VALUES ('antiga', '2012-03-07', 50)");
    }
    const std::string job = pasta / "job.xml";
    kiv::teste::EscreverArquivo(job, R"(<?xml version="1.0" encoding="UTF-8"?>
<Selecao xmlns="urn:kivxmlvw:selecao">
  <Origem>
    <Banco><Tipo>FIREBIRD</Tipo><DataBase>)" + (pasta / "dms.fdb") + R"(</DataBase><User>SYSDBA</User><Passwd>masterkey</Passwd></Banco>
    <Execute><![CDATA[)" + c.execute + R"(]]></Execute>
    <Result><Dados>DD</Dados></Result>
  </Origem>
  <Destino><Soap><Url>http://127.0.0.1:9/ws</Url></Soap></Destino>
</Selecao>)");
    const auto linhas = kiv::package::LinhasDoPacote(job);
    ASSERT_GE(linhas.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(linhas.begin() + 3, linhas.end() - 1), c.linhas);
    if (c.parou) {
      EXPECT_FALSE(std::filesystem::exists(pasta / "Work"));
    }
  }
}

}  // namespace
