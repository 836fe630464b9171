// The register file: set-up, load, save and the data packet on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "registro/Impressao.h"
#include "run/RegistroEnviados.h"
#include "support/Ambiente.h"

namespace {

using kiv::run::TEntradaEnviada;
using kiv::run::TRegistroEnviados;
using kiv::teste::LerArquivo;

const std::string K1 = "35120312345678000190550010000012341000012345";
const std::string K2 = "35120312345678000190550010000012351000012340";

ino_t Inode(const std::string& caminho) {
  struct stat st {};
  EXPECT_EQ(stat(caminho.c_str(), &st), 0) << caminho;
  return st.st_ino;
}

std::string MensagemDe(TRegistroEnviados& registro, const std::string& pasta, const std::string& arquivo) {
  try {
    registro.Preparar(pasta, arquivo);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(no failure)";
}

class RegistroArquivo : public ::testing::Test {
 protected:
  kiv::teste::PastaTemporaria pasta;
  std::string work = pasta / "Work";
  std::string arquivo = work + "/NfeEnvVW_20120315.xml";
};

TEST_F(RegistroArquivo, SavedEntriesLoadBackAndAnIdleRunLeavesTheFileAlone) {
  const std::vector<TEntradaEnviada> entradas = {
      {K1, "E", "100", "Autorizado o uso da NF-e"},
      {K1, "C", "100", "Evento registrado & vinculado a NF-e <ok> \"aspas\" 'apostrofo'"},
      {K2, "E", "100", "linha 1\nlinha 2\r\n\tcom tabulação, acentuação e €"},
      {" " + K2.substr(0, 42) + " ", "E", "100", "  brancos nas pontas  "},
      {"", "E", "100", ""},
  };
  {
    TRegistroEnviados registro;
    registro.Preparar(work, arquivo);  // creates the Work folder
    for (const auto& e : entradas) registro.Registrar(e.chave, e.tipo, e.status, e.descricao);
    registro.Fechar();
    EXPECT_FALSE(registro.Aberto());
  }
  const std::string gravado = LerArquivo(arquivo);
  EXPECT_NE(gravado.find("<DATAPACKET Version=\"2.0\">"), std::string::npos) << gravado;
  for (const char* campo : {"<FIELD attrname=\"CHAVE_NFE\" fieldtype=\"string\" WIDTH=\"44\"/>",
                            "<FIELD attrname=\"TIPO\" fieldtype=\"string\" WIDTH=\"1\"/>",
                            "<FIELD attrname=\"STATUS\" fieldtype=\"string\" WIDTH=\"3\"/>",
                            "<FIELD attrname=\"DESCRICAO\" fieldtype=\"string\" WIDTH=\"100\"/>", "<PARAMS/>",
                            "<ROW CHAVE_NFE=\""})
    EXPECT_NE(gravado.find(campo), std::string::npos) << campo;
  EXPECT_FALSE(kiv::teste::Existe(arquivo + ".tmp"));

  const ino_t antes = Inode(arquivo);
  {
    TRegistroEnviados registro;
    registro.Preparar(work, arquivo);
    ASSERT_EQ(registro.Quantidade(), entradas.size());
    for (const auto& e : entradas) EXPECT_EQ(registro.Entrada(e.chave, e.tipo), e) << e.descricao;
    registro.Fechar();
  }
  EXPECT_EQ(LerArquivo(arquivo), gravado);
  EXPECT_EQ(Inode(arquivo), antes) << "the file was rewritten";
}

TEST_F(RegistroArquivo, TheFirstRunOfTheDayLeavesAnEmptyRegister) {
  {
    TRegistroEnviados registro;
    registro.Preparar(work, arquivo);
    EXPECT_TRUE(registro.Aberto());
    EXPECT_FALSE(kiv::teste::Existe(arquivo));
  }  // destroyed without Fechar(): still written
  TRegistroEnviados registro;
  registro.Preparar(work, arquivo);
  EXPECT_EQ(registro.Quantidade(), 0u);
}

TEST_F(RegistroArquivo, LoadsADataPacketInTheClientDatasetStyle) {
  std::filesystem::create_directories(work);
  // One line, no encoding declaration, index parameters and the change-log attribute; one value
  // wider than its column.
  kiv::teste::EscreverArquivo(
      arquivo,
      "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
      "<FIELD attrname=\"CHAVE_NFE\" fieldtype=\"string\" WIDTH=\"44\"/><FIELD attrname=\"TIPO\" fieldtype=\"string\" "
      "WIDTH=\"1\"/><FIELD attrname=\"STATUS\" fieldtype=\"string\" WIDTH=\"3\"/><FIELD attrname=\"DESCRICAO\" "
      "fieldtype=\"string\" WIDTH=\"100\"/></FIELDS><PARAMS DEFAULT_ORDER=\"1\" LCID=\"1046\"/></METADATA><ROWDATA>"
      "<ROW RowState=\"4\" CHAVE_NFE=\"" + K1 + "\" TIPO=\"E\" STATUS=\"100\" DESCRICAO=\"Autorizado o uso da NF-e\"/>"
      "<ROW RowState=\"4\" CHAVE_NFE=\"" + K2 + "0000\" TIPO=\"C\" STATUS=\"100\"/></ROWDATA></DATAPACKET>");
  TRegistroEnviados registro;
  registro.Preparar(work, arquivo);
  EXPECT_EQ(registro.Quantidade(), 2u);
  EXPECT_EQ(registro.Entrada(K1, "E"), (TEntradaEnviada{K1, "E", "100", "Autorizado o uso da NF-e"}));
  EXPECT_EQ(registro.Entrada(K2, "C"), (TEntradaEnviada{K2, "C", "100", ""}));
}

TEST_F(RegistroArquivo, AnUnreadableRegisterFailsTheSetUpAndStaysAsItWas) {
  const std::string campos =
      "<METADATA><FIELDS><FIELD attrname=\"CHAVE_NFE\"/><FIELD attrname=\"TIPO\"/><FIELD attrname=\"STATUS\"/>"
      "<FIELD attrname=\"DESCRICAO\"/></FIELDS><PARAMS/></METADATA>";
  struct Caso {
    const char* nome;
    std::string conteudo;
    std::string motivo;
  } casos[] = {
      {"empty file", "", "XML inválido"},
      {"cut off mid-write", "<DATAPACKET Version=\"2.0\">" + campos + "<ROWDATA><ROW CHAVE_NFE=\"" + K1, "XML inválido"},
      {"another document", "<Selecao><Origem/></Selecao>", "o elemento raiz é Selecao, e não DATAPACKET"},
      {"no metadata", "<DATAPACKET Version=\"2.0\"><ROWDATA/></DATAPACKET>", "falta o elemento METADATA/FIELDS"},
      {"a column missing",
       "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"CHAVE_NFE\"/></FIELDS></METADATA><ROWDATA/></DATAPACKET>",
       "a coluna TIPO não está declarada em FIELDS"},
      {"no rows element", "<DATAPACKET>" + campos + "</DATAPACKET>", "falta o elemento ROWDATA"},
      {"entities that expand without bound",
       "<!DOCTYPE DATAPACKET [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
       "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><DATAPACKET>" + campos +
           "<ROWDATA><ROW CHAVE_NFE=\"&c;\"/></ROWDATA></DATAPACKET>",
       "declaração DOCTYPE não é aceita"},
      {"an external entity",
       "<!DOCTYPE DATAPACKET [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><DATAPACKET>" + campos +
           "<ROWDATA><ROW DESCRICAO=\"&x;\"/></ROWDATA></DATAPACKET>",
       "declaração DOCTYPE não é aceita"},
  };
  std::filesystem::create_directories(work);
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nome);
    kiv::teste::EscreverArquivo(arquivo, c.conteudo);
    TRegistroEnviados registro;
    const std::string mensagem = MensagemDe(registro, work, arquivo);
    EXPECT_EQ(mensagem.rfind("Registro de enviados " + arquivo + " não pode ser carregado: ", 0), 0u) << mensagem;
    EXPECT_NE(mensagem.find(c.motivo), std::string::npos) << mensagem;
    EXPECT_FALSE(registro.Aberto());
    registro.Registrar(K1, "E", "100", "ok");
    registro.Fechar();
    EXPECT_EQ(LerArquivo(arquivo), c.conteudo) << "a register that did not load must not be overwritten";
  }

  std::filesystem::remove(arquivo);
  std::filesystem::create_directory(arquivo);
  TRegistroEnviados registro;
  const std::string mensagem = MensagemDe(registro, work, arquivo);
  EXPECT_EQ(mensagem, "Registro de enviados " + arquivo + " não pode ser carregado: Is a directory");
}

TEST_F(RegistroArquivo, AWorkFolderThatCannotBeWrittenFailsTheSetUp) {
  // Tests run as root, whom permissions do not stop: a regular file in the way does.
  kiv::teste::EscreverArquivo(pasta / "jobs", "a file, not a folder");
  const std::string workBloqueado = pasta / "jobs/vw/Work";
  TRegistroEnviados registro;
  const std::string mensagem = MensagemDe(registro, workBloqueado, workBloqueado + "/NfeEnvVW_20120315.xml");
  EXPECT_EQ(mensagem, "Pasta de trabalho " + workBloqueado + " não pode ser usada: " + (pasta / "jobs") +
                          ": Not a directory");
  EXPECT_FALSE(registro.Aberto());

  // Missing parents are created; the probe file is gone again, the lock file stays.
  const std::string fundo = pasta / "a/b/c/Work";
  registro.Preparar(fundo, fundo + "/NfeEnvVW_20120315.xml");
  std::vector<std::string> nomes;
  for (const auto& item : std::filesystem::directory_iterator(fundo)) nomes.push_back(item.path().filename());
  EXPECT_EQ(nomes, std::vector<std::string>{"NfeEnvVW.lock"});
}

TEST_F(RegistroArquivo, AcceptancesReachTheFileWithinASecond) {
  const auto noDisco = [this] {
    TRegistroEnviados leitor;
    leitor.Preparar(work, arquivo);
    std::vector<bool> r = {leitor.Localizar(K1, "E"), leitor.Localizar(K1, "C"), leitor.Localizar(K2, "E")};
    return r;
  };
  TRegistroEnviados registro;
  registro.Preparar(work, arquivo);
  registro.Registrar(K1, "E", "100", "ok");  // the first one is written at once
  EXPECT_EQ(noDisco(), (std::vector<bool>{true, false, false}));
  registro.Registrar(K1, "C", "100", "ok");  // within the second: kept for the next write
  EXPECT_EQ(noDisco(), (std::vector<bool>{true, false, false}));
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  registro.Registrar(K2, "E", "100", "ok");
  EXPECT_EQ(noDisco(), (std::vector<bool>{true, true, true}));
  registro.Fechar();
}

}  // namespace
