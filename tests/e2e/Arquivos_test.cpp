// Whole jobs on the file path ("FileSystem"): e_ and c_ files written to the configured folder,
// then sent, on an embedded Firebird database with the host program and the stand-in.
#include <filesystem>

#include "Ponta.h"

namespace kiv::e2e {
namespace {

using teste::Comportamento;

const std::string kComando = "Comando SELECT: [SELECT ID, NUMERO, XML FROM NFE ORDER BY ID]";

std::set<std::string> NaPasta(const std::string& pasta) {
  std::set<std::string> nomes;
  for (const auto& e : std::filesystem::directory_iterator(pasta)) nomes.insert(e.path().filename().string());
  return nomes;
}

class Arquivos : public PontaFirebird {
 protected:
  Job JobArquivos(const std::string& url, const std::string& pastaDestino, const std::string& mascara) {
    Job j = NovoJob(url);
    j.tipo = "FileSystem";
    j.destino = pastaDestino;
    j.mascara = mascara;
    return j;
  }
};

TEST_F(Arquivos, WritesTheFilesNamedByThePlaceholderInAnyCaseThenSendsThemInOrder) {
  auto& servico = Servico();
  const std::string saida = pasta / "saida";
  std::filesystem::create_directory(saida);
  // An accented word shows the files are in the ANSI code page and the request in UTF-8.
  const std::string n200 = SubstituirTodos(N200(), "<natOp>VENDA", "<natOp>Operação VENDA", false);
  const Documento a = Doc("n200", n200, K200), b = Doc("n400+evento", N400ComEvento(), K400);
  Banco({{"488", n200}, {"46320", N400ComEvento()}});
  const auto r = Rodar(EscreverJob(JobArquivos(servico.Url(), saida, "nfe-@NUMERO@-@numero@.xml")));

  Linhas esperado = {kComando, "Preparando gravação dos arquivos", "Criou máscara [@NUMERO@] [NUMERO]",
                     "Localizou 2 notas"};
  Mais(esperado, BlocoArquivo(saida, "nfe-488-488.xml", a));
  esperado.push_back("Entrou teste 3");
  Mais(esperado, BlocoArquivo(saida, "nfe-46320-46320.xml", b));
  esperado.push_back("Entrou teste 1");
  esperado.push_back("Preparando para enviar arquivos. 3 arquivos a serem enviados");
  for (const Documento* d : {&a, &b, &b}) {
    Mais(esperado, {"Arquivo Carregado: {" + d->nome + "}", "Banco: FIREBIRD"});
    Mais(esperado, Envio(d->chave, servico.Url()));
  }
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.linhas, esperado);
  EXPECT_EQ(Entregas(servico), (std::vector<Par>{{K200, "E"}, {K400, "E"}, {K400, "C"}}));
  EXPECT_EQ(Registro(), (Pares{{K200, "E"}, {K400, "E"}, {K400, "C"}}));

  EXPECT_EQ(NaPasta(saida), (std::set<std::string>{"e_nfe-488-488.xml", "e_nfe-46320-46320.xml",
                                                    "c_nfe-46320-46320.xml"}));
  const std::string bytes = teste::LerArquivo(saida + "/e_nfe-488-488.xml");
  EXPECT_EQ(bytes.rfind("<?xml", 0), 0u) << "no byte-order mark";
  EXPECT_NE(bytes.find("<natOp>Opera\xE7\xE3o VENDA"), std::string::npos);
  EXPECT_EQ(bytes.find("\xC3"), std::string::npos) << "UTF-8 in the file";
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  EXPECT_EQ(teste::LerArquivo(saida + "/c_nfe-46320-46320.xml"), teste::LerArquivo(saida + "/e_nfe-46320-46320.xml"));
  const auto recebidas = servico.Requisicoes();
  ASSERT_FALSE(recebidas.empty());
  EXPECT_NE(recebidas[0].corpo.find("<natOp>Operação VENDA"), std::string::npos);
}

// The names of the files, and the kind each one is sent as.
struct CasoNomes {
  const char* nome;
  const char* pastaDestino;
  const char* mascara;
  std::vector<PontaFirebird::Linha> linhas;
  std::vector<std::string> nomesE;  // the e_ name of every row, as logged
  std::set<std::string> arquivos;
  std::vector<Par> entregas;
  friend void PrintTo(const CasoNomes& c, std::ostream* os) { *os << c.nome; }
};

class NomesDeArquivo : public Arquivos, public ::testing::WithParamInterface<CasoNomes> {};

TEST_P(NomesDeArquivo, NameTheFilesAndTellTheirKindByTheirName) {
  const CasoNomes& c = GetParam();
  auto& servico = Servico();
  const std::string saida = pasta / c.pastaDestino;
  std::filesystem::create_directory(saida);
  Banco(c.linhas);
  const auto r = Rodar(EscreverJob(JobArquivos(servico.Url(), saida, c.mascara)));
  EXPECT_EQ(r.status, 0);

  Linhas nomes;
  for (const auto& l : r.linhas)
    if (l.rfind("Montou nome do arquivo[", 0) == 0) nomes.push_back(l);
  Linhas esperado;
  for (const auto& e : c.nomesE)
    esperado.push_back("Montou nome do arquivo[" + saida + "/e_" + e + "] e [" + saida + "/c_" + e + "]");
  EXPECT_EQ(nomes, esperado);
  EXPECT_EQ(Quantas(r.linhas, "Criou máscara ["), std::string(c.mascara).find('@') != std::string::npos ? 1u : 0u);
  EXPECT_EQ(NaPasta(saida), c.arquivos);
  EXPECT_EQ(Entregas(servico), c.entregas);
  EXPECT_EQ(Registro(), Pares(c.entregas.begin(), c.entregas.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, NomesDeArquivo,
    ::testing::Values(
        // Every row gets the same name: the last text written is sent once per entry.
        CasoNomes{"WithoutPlaceholder", "saida", "nfe.xml", {{"488", N200()}, {"30", N310()}},
                  {"nfe.xml", "nfe.xml"}, {"e_nfe.xml"}, {{K310, "E"}, {K310, "E"}}},
        // Only the first placeholder is one; the second stays in the name.
        CasoNomes{"TwoPlaceholders", "saida", "@NUMERO@-@ID@.xml", {{"488", N200()}},
                  {"488-@ID@.xml"}, {"e_488-@ID@.xml"}, {{K200, "E"}}},
        // A folder whose name begins with c_ does not make its invoices cancellations.
        CasoNomes{"FolderNamedLikeACancellation", "c_lote", "@NUMERO@", {{"46320", N400ComEvento()}},
                  {"46320"}, {"e_46320", "c_46320"}, {{K400, "E"}, {K400, "C"}}}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST_F(Arquivos, AFolderThatDoesNotExistFailsEveryFileAndNothingIsSent) {
  auto& servico = Servico();
  const std::string falta = pasta / "nao-existe";
  const Documento a = Doc("n200", N200(), K200), b = Doc("n400+evento", N400ComEvento(), K400);
  Banco({{"488", N200()}, {"46320", N400ComEvento()}});
  const auto r = Rodar(EscreverJob(JobArquivos(servico.Url(), falta, "@NUMERO@.xml")));

  auto erro = [&](const std::string& nome) {
    const std::string e = falta + "/e_" + nome;
    return "Erro ao gerar o arquivo <" + e + "> - Cannot create file \"" + e + "\". No such file or directory";
  };
  Linhas esperado = {kComando, "Preparando gravação dos arquivos", "Criou máscara [@NUMERO@] [NUMERO]",
                     "Localizou 2 notas"};
  Mais(esperado, BlocoArquivo(falta, "488.xml", a));
  Mais(esperado, {"Entrou teste 3", erro("488.xml")});
  Mais(esperado, BlocoArquivo(falta, "46320.xml", b));
  Mais(esperado, {"Entrou teste 1", erro("46320.xml"), "Não há NFe a ser enviada."});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.linhas, esperado);
  EXPECT_FALSE(teste::Existe(falta));
  EXPECT_TRUE(Entregas(servico).empty());
  EXPECT_EQ(Registro(), Pares{});
}

TEST_F(Arquivos, AFailedCancellationFileKeepsTheInvoiceFileOfItsRowListedAndSent) {
  auto& servico = Servico();
  const std::string saida = pasta / "saida";
  std::filesystem::create_directories(saida + "/c_46320.xml");  // a folder where the c_ file goes
  Banco({{"46320", N400ComEvento()}});
  const auto r = Rodar(EscreverJob(JobArquivos(servico.Url(), saida, "@NUMERO@.xml")));

  const std::string e = saida + "/e_46320.xml", c = saida + "/c_46320.xml";
  Linhas esperado = {"Entrou teste 1",
                     "Erro ao gerar o arquivo <" + e + "> - Cannot create file \"" + c + "\". Is a directory",
                     "Preparando para enviar arquivos. 1 arquivos a serem enviados"};
  const auto inicio = std::find(r.linhas.begin(), r.linhas.end(), "Entrou teste 1");
  ASSERT_GE(r.linhas.end() - inicio, 3);
  EXPECT_EQ(Linhas(inicio, inicio + 3), esperado);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Entregas(servico), (std::vector<Par>{{K400, "E"}}));
  EXPECT_EQ(Registro(), (Pares{{K400, "E"}}));
}

TEST_F(Arquivos, AListedFileRemovedBeforeItIsSentStopsTheRestWithOneLine) {
  auto& servico = Servico();
  const std::string saida = pasta / "saida";
  std::filesystem::create_directory(saida);
  Doc("n200", N200(), K200);
  Banco({{"488", N200()}, {"30", N310()}, {"26", N400i()}});
  // The stand-in takes the second file away while it answers the first delivery.
  Comportamento remover;
  remover.remover = saida + "/e_30.xml";
  servico.Enfileirar({remover});
  const auto r = Rodar(EscreverJob(JobArquivos(servico.Url(), saida, "@NUMERO@.xml")));

  Linhas esperado = {"Preparando para enviar arquivos. 3 arquivos a serem enviados", "Arquivo Carregado: {n200}",
                     "Banco: FIREBIRD"};
  Mais(esperado, Envio(K200, servico.Url()));
  esperado.push_back("Erro ao executar transmissão SOAP: Cannot open file \"" + saida +
                     "/e_30.xml\". No such file or directory");
  ASSERT_GE(r.linhas.size(), esperado.size());
  EXPECT_EQ(Linhas(r.linhas.end() - esperado.size(), r.linhas.end()), esperado);
  EXPECT_EQ(Quantas(r.linhas, "Entrou teste 3"), 3u);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Entregas(servico), (std::vector<Par>{{K200, "E"}}));
  EXPECT_EQ(Registro(), (Pares{{K200, "E"}}));
  EXPECT_EQ(NaPasta(saida), (std::set<std::string>{"e_488.xml", "e_26.xml"}));
}

}  // namespace
}  // namespace kiv::e2e
