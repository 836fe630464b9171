// Whole jobs under Informix, whose rows carry the protocol in a column of its own: the dealer's
// database is stood in for through the session seam, the rest is the real run and the stand-in.
#include <filesystem>
#include <memory>

#include "Ponta.h"
#include "db/TConexao.h"
#include "package/Executa.h"
#include "run/RegistroEnviados.h"

namespace kiv::e2e {
namespace {

// An invoice's NFe element with the vehicle detail a dealer's invoice carries.
std::string ComVeiculo(const std::string& nfeProc) {
  std::string nfe = Elemento(nfeProc, "NFe");
  nfe.insert(nfe.find("</prod>"), "<veicProd><tpOp>1</tpOp><chassi>9BWZZZ377VT004251</chassi></veicProd>");
  return nfe;
}

const std::string KCancelada = "35080599999090910270550010000000011518005123";

// A cancellation as NF-e layout 1.10/2.00 kept it, before cancellation events existed.
std::string CancelamentoAntigo() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<procCancNFe versao=\"2.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><cancNFe versao=\"2.00\">"
         "<infCanc Id=\"ID" + KCancelada + "\"><tpAmb>1</tpAmb><xServ>CANCELAR</xServ><chNFe>" + KCancelada +
         "</chNFe><nProt>135080000012345</nProt><xJust>Erro na digitacao do pedido</xJust></infCanc></cancNFe>"
         "<retCancNFe versao=\"2.00\"><infCanc><cStat>101</cStat><chNFe>" + KCancelada +
         "</chNFe></infCanc></retCancNFe></procCancNFe>\n";
}

// Stands in for the dealer's Informix database: one selection, and the statements it was sent.
class SessaoInformix : public db::Sessao {
 public:
  SessaoInformix(db::Conjunto linhas, std::shared_ptr<Linhas> executados)
      : linhas_(std::move(linhas)), executados_(std::move(executados)) {}
  void Executar(const std::string& sql) override { executados_->push_back(sql); }
  db::Conjunto Consultar(const std::string&) override { return linhas_; }

 private:
  db::Conjunto linhas_;
  std::shared_ptr<Linhas> executados_;
};

class Informix : public Ponta {
 protected:
  Informix() {
    // The four kinds of row the Informix rules tell apart; the key K200 is already in the register.
    struct Linha {
      const char* nome;
      std::string xml;
      std::optional<std::string> protocolo;
      std::string chave;
    } linhas[] = {
        {"veiculo", ComVeiculo(N400()), Elemento(N400(), "protNFe"), K400},
        // Neither an event nor an invoice Id: its access key is empty.
        {"cancelamento-antigo", CancelamentoAntigo(), std::nullopt, ""},
        {"evento-sem-veiculo", N310() + SubstituirTodos(Evento(), KEvento, K310, false), std::nullopt, K310},
        {"ja-registrado", ComVeiculo(N200()), Elemento(N200(), "protNFe"), K200},
    };
    std::vector<db::Conjunto::Linha> dados;
    for (const auto& l : linhas) {
      docs.push_back(Doc(l.nome, l.xml + l.protocolo.value_or(""), l.chave));
      dados.push_back({std::to_string(dados.size() + 1), l.xml, l.protocolo});
    }
    db::DefinirFabricaSessao([c = db::Conjunto({"ID", "XML", "NFE_PROT"}, dados), e = executados](const db::TConexao&) {
      return std::make_unique<SessaoInformix>(c, e);
    });

    run::TRegistroEnviados registro;
    registro.Preparar(pasta / "Work", pasta / "Work/NfeEnvVW_20120315.xml");
    registro.Registrar(K200, "E", "100", kAceito);
    registro.Fechar();
  }
  ~Informix() override { db::DefinirFabricaSessao(nullptr); }

  Linhas Rodar(const Job& j) { return Resumir(package::ExecutaPacote(EscreverJob(j))); }

  Job JobInformix(const std::string& url) {
    Job j;
    j.banco = "INFORMIX";
    j.dataBase = "dealer";
    j.execute = "SELECT ID, XML#, NFE_PROT FROM NFE";
    j.url = url;
    return j;
  }

  teste::AmbienteFixo ambiente{teste::Marco2012(), teste::RegionalBrasil()};
  std::vector<Documento> docs;
  std::shared_ptr<Linhas> executados = std::make_shared<Linhas>();
};

TEST_F(Informix, InMemoryOnlyVehiclesWithProtocolAndOldCancellationsGoAndOnlyAsInvoices) {
  auto& servico = Servico();
  const auto r = Rodar(JobInformix(servico.Url()));

  Linhas esperado = {"Comando SELECT: [SELECT ID, XML, NFE_PROT FROM NFE]", "preparando para gerar dados em memória",
                     "Localizou 4 notas"};
  Mais(esperado, BlocoMemoria(docs[0], false, "INFORMIX"));
  esperado.push_back("Entrou teste informix");
  Mais(esperado, Envio(K400, servico.Url()));
  Mais(esperado, BlocoMemoria(docs[1], false, "INFORMIX"));
  esperado.push_back("Entrou teste informix");
  Mais(esperado, Envio("", servico.Url()));
  Mais(esperado, BlocoMemoria(docs[2], false, "INFORMIX"));  // protocol and event, no vehicle
  Mais(esperado, BlocoMemoria(docs[3], true, "INFORMIX"));
  EXPECT_EQ(r, esperado);
  EXPECT_EQ(*executados, Linhas{"Set ISOLATION TO DIRTY READ"});

  // Both went as invoices: an nfeProc around the protocol column's infProt.
  const auto recebidas = servico.Requisicoes();
  ASSERT_EQ(recebidas.size(), 2u);
  for (const auto& q : recebidas) EXPECT_NE(q.corpo.find("<aak:NFe><nfeProc versao="), std::string::npos);
  EXPECT_NE(recebidas[0].corpo.find(std::string(11, ' ') + "<protNFe versao=\"4.00\"><infProt"), std::string::npos);
  EXPECT_EQ(Registro(), (Pares{{K200, "E"}, {K400, "E"}, {"", "E"}}));
}

TEST_F(Informix, OnTheFilePathAnEventSufficesAndAnOldCancellationStaysUnsent) {
  auto& servico = Servico();
  const std::string saida = pasta / "saida";
  std::filesystem::create_directory(saida);
  Job j = JobInformix(servico.Url());
  j.tipo = "FileSystem";
  j.destino = saida;
  j.mascara = "@ID@.xml";
  const auto r = Rodar(j);

  // The files are chosen by the rule of every engine; the Informix check applies when sending.
  Linhas entrou;
  for (const auto& l : r)
    if (l.rfind("Entrou teste", 0) == 0) entrou.push_back(l);
  EXPECT_EQ(entrou, (Linhas{"Entrou teste 3", "Entrou teste 3", "Entrou teste 1", "Entrou teste informix",
                            "Entrou teste informix", "Entrou teste informix"}));

  Linhas esperado = {"Preparando para enviar arquivos. 4 arquivos a serem enviados"};
  auto arquivo = [&](const Documento& d) {
    Mais(esperado, {"Arquivo Carregado: {" + d.nome + "}", "Banco: INFORMIX", "----- Dados Xml ------",
                    "      Tag <veicProd: " + std::to_string(Pos(d.texto, "<veicProd")),
                    "      Tag <infProt: " + std::to_string(Pos(d.texto, "<infProt")),
                    "      Tag <procCancNFe: " + std::to_string(Pos(d.texto, "<procCancNFe")), "Fim dados xml"});
  };
  arquivo(docs[0]);
  esperado.push_back("Entrou teste informix");
  Mais(esperado, Envio(K400, servico.Url()));
  arquivo(docs[1]);
  for (int i = 0; i < 2; ++i) {  // e_3.xml, then c_3.xml
    arquivo(docs[2]);
    esperado.push_back("Entrou teste informix");
    Mais(esperado, Envio(K310, servico.Url()));
  }
  ASSERT_GE(r.size(), esperado.size());
  EXPECT_EQ(Linhas(r.end() - esperado.size(), r.end()), esperado);
  EXPECT_EQ(Entregas(servico), (std::vector<Par>{{K400, "E"}, {K310, "E"}, {K310, "C"}}));
  EXPECT_EQ(Registro(), (Pares{{K200, "E"}, {K400, "E"}, {K310, "E"}, {K310, "C"}}));
}

}  // namespace
}  // namespace kiv::e2e
