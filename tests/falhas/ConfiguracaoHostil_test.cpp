// Malformed and hostile job files through the host program: each run ends with its framed log
// holding one "Erro" line and exit status 1; never a crash or a hang, never a byte of a file the
// job file points at, never the memory a large or self-expanding file asks for.
#include <sys/stat.h>

#include <functional>

#include "Cenario.h"
#include "config/KIVSchema.h"

namespace {

using namespace kiv::falhas;

std::string Substituir(std::string texto, const std::string& de, const std::string& para) {
  const size_t p = texto.find(de);
  if (p == std::string::npos) throw std::logic_error("not in the job: " + de);
  texto.replace(p, de.size(), para);
  return texto;
}

std::string Repetir(const std::string& s, size_t n) {
  std::string r;
  r.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) r += s;
  return r;
}

// Entities r0 .. r9, each ten of the one before: r9 stands for 2 * 10^9 characters.
std::string BilhaoDeRisadas() {
  std::string dtd = "<!ENTITY r0 \"ha\">\n";
  for (int i = 1; i <= 9; ++i)
    dtd += "<!ENTITY r" + std::to_string(i) + " \"" + Repetir("&r" + std::to_string(i - 1) + ";", 10) + "\">\n";
  return dtd;
}

// A valid job: the given database, deliveries to a closed port.
std::string Valido(const std::string& banco) { return Job(banco, "http://127.0.0.1:9/aakonline/aakonline.asmx"); }

// The valid job under a DOCTYPE of its own.
std::string ComDoctype(const std::string& banco, const std::string& doctype) {
  return Substituir(Valido(banco), "<Selecao xmlns", doctype + "\n<Selecao xmlns");
}

// What a case puts where the job file should be. It gets the case's own folder and the
// database; it returns the path the host program is given.
using Preparo = std::function<std::string(const std::string& pasta, const std::string& banco)>;

// The job file `job.xml` holds what `conteudo` makes of the database path.
Preparo Arquivo(std::function<std::string(const std::string& banco)> conteudo) {
  return [conteudo](const std::string& pasta, const std::string& banco) {
    kiv::teste::EscreverArquivo(pasta + "/job.xml", conteudo(banco));
    return pasta + "/job.xml";
  };
}

Preparo Texto(std::string conteudo) {
  return Arquivo([conteudo](const std::string&) { return conteudo; });
}

// The valid job with one piece replaced.
Preparo Troca(std::string de, std::string para) {
  return Arquivo([de, para](const std::string& banco) { return Substituir(Valido(banco), de, para); });
}

struct Caso {
  const char* nome;
  Preparo preparar;
  const char* erro;  // found in the Erro line
  bool cliente;      // the run loads a database client
};

const std::string kSenhaNoJob = "<Passwd>" + SenhaEscapada() + "</Passwd>";

std::vector<Caso> Casos() {
  const auto semNs = [](const std::string& b) { return Substituir(Valido(b), " xmlns=\"urn:kivxmlvw:selecao\"", ""); };
  return {
      // Not a job file at all.
      {"empty file", Texto(""), "Erro: Ao ler configuração - ", false},
      {"plain text", Texto("Isto não é XML: SELECT * FROM NOTAS\n"), "Erro: Ao ler configuração - ", false},
      {"binary bytes", Texto(std::string("\x7f" "ELF\x02\x01\x01\0\0\0\xff\xfe\x80", 13)), "Erro: Ao ler configuração - ", false},
      {"JSON", Texto("{\"Selecao\": {\"Origem\": {}}}\n"), "Erro: Ao ler configuração - ", false},
      {"cut in half", Arquivo([](const std::string& b) { return Valido(b).substr(0, Valido(b).size() / 2); }),
       "Erro: Ao ler configuração - ", false},
      {"two root elements", Arquivo([](const std::string& b) { return Valido(b) + "<Selecao xmlns=\"urn:kivxmlvw:selecao\"/>\n"; }),
       "Erro: Ao ler configuração - Extra content at the end of the document", false},
      {"NUL byte inside", Troca("<Tipo>FIREBIRD", std::string("<Tipo>FIRE\0BIRD", 15)), "Erro: Ao ler configuração - ", false},
      {"bytes that are not UTF-8", Troca("<Tipo>FIREBIRD", "<Tipo>FIRE\xff\xfe" "BIRD"), "Erro: Ao ler configuração - ", false},
      {"unknown encoding", Troca("encoding=\"UTF-8\"", "encoding=\"x-klingon\""),
       "Erro: Ao ler configuração - Unsupported encoding x-klingon", false},
      {"10,000 nested elements", Troca("<Origem>", "<Origem>" + Repetir("<a>", 10000) + Repetir("</a>", 10000)),
       "Erro: Ao ler configuração - ", false},
      // The wrong document.
      {"another root element", Troca("<Selecao xmlns=\"urn:kivxmlvw:selecao\">", "<Configuracao xmlns=\"urn:kivxmlvw:selecao\">"),
       "Erro: Ao ler configuração - ", false},
      {"wrong namespace", Troca("urn:kivxmlvw:selecao", "urn:kivxmlvw:outra"), "Erro: Ao ler configuração - Interface not supported", false},
      {"no namespace", Arquivo(semNs), "Erro: Ao ler configuração - Interface not supported", false},
      // Elements where text belongs.
      {"element inside Tipo", Troca("<Tipo>FIREBIRD</Tipo>", "<Tipo><FIREBIRD/></Tipo>"),
       "Erro ao executar pacote: Element \"Tipo\" does not contain a single text node", false},
      {"element inside Passwd", Troca(kSenhaNoJob, "<Passwd><Valor>" + SenhaEscapada() + "</Valor></Passwd>"),
       "Erro ao executar pacote: Element \"Passwd\" does not contain a single text node", false},
      {"element inside Execute", Troca("<Execute>", "<Execute><Comando>SELECT</Comando>"),
       "Erro ao executar pacote: Element \"Execute\" does not contain a single text node", true},
      {"element inside Url", Troca("<Url>", "<Url><Endereco/>"),
       "Erro ao executar transmissão SOAP: Element \"Url\" does not contain a single text node", true},
      // Outside resources.
      {"external entity to /etc/passwd", Arquivo([](const std::string& b) {
         return Substituir(ComDoctype(b, "<!DOCTYPE Selecao [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]>"),
                           "<DataBase>", "<DataBase>&xxe;");
       }),
       "Erro ao executar pacote: Element \"DataBase\" does not contain a single text node", false},
      {"external entity in an attribute", Arquivo([](const std::string& b) {
         return Substituir(ComDoctype(b, "<!DOCTYPE Selecao [<!ENTITY xxe SYSTEM \"/etc/passwd\">]>"),
                           "<Selecao xmlns", "<Selecao Nome=\"&xxe;\" xmlns");
       }),
       "Erro: Ao ler configuração - Attribute references external entity 'xxe'", false},
      {"external parameter entity", Arquivo([](const std::string& b) {
         return ComDoctype(b, "<!DOCTYPE Selecao [<!ENTITY % xxe SYSTEM \"file:///etc/passwd\"> %xxe;]>");
       }),
       "Erro ao executar transmissão SOAP: ", true},
      {"external DTD /etc/passwd", Arquivo([](const std::string& b) { return ComDoctype(b, "<!DOCTYPE Selecao SYSTEM \"/etc/passwd\">"); }),
       "Erro ao executar transmissão SOAP: ", true},
      {"XInclude of /etc/passwd", Troca("<DataBase>", "<DataBase><xi:include xmlns:xi=\"http://www.w3.org/2001/XInclude\" "
                                                      "href=\"/etc/passwd\" parse=\"text\"/>"),
       "Erro ao executar pacote: Element \"DataBase\" does not contain a single text node", false},
      {"web service address file:///etc/passwd", Troca("http://127.0.0.1:9/aakonline/aakonline.asmx", "file:///etc/passwd"),
       "Erro ao executar transmissão SOAP: ", true},
      // Expansion and size.
      {"billion laughs", Arquivo([](const std::string& b) {
         return Substituir(ComDoctype(b, "<!DOCTYPE Selecao [" + BilhaoDeRisadas() + "]>"), "<Selecao xmlns",
                           "<Selecao Nome=\"&r9;\" xmlns");
       }),
       "Erro: Ao ler configuração - ", false},
      {"billion laughs in a value", Arquivo([](const std::string& b) {
         return Substituir(ComDoctype(b, "<!DOCTYPE Selecao [" + BilhaoDeRisadas() + "]>"), "<Tipo>FIREBIRD", "<Tipo>&r9;");
       }),
       "Erro", false},
      {"one large entity used many times", Arquivo([](const std::string& b) {
         return Substituir(ComDoctype(b, "<!DOCTYPE Selecao [<!ENTITY g \"" + std::string(100000, 'g') + "\">]>"),
                           "<Selecao xmlns", "<Selecao Nome=\"" + Repetir("&g;", 20000) + "\" xmlns");
       }),
       "Erro ao executar transmissão SOAP: ", true},
      {"a 50 MB file", Arquivo([](const std::string& b) {
         return Substituir(Valido(b), "</Selecao>", "<!--" + std::string(50u << 20, 'x') + "-->\n</Selecao>");
       }),
       "Erro: Ao ler configuração - File too large for a configuration", false},
      // No file to read.
      {"missing file", [](const std::string& pasta, const std::string&) { return pasta + "/nao-existe.xml"; },
       "Erro: Ao ler configuração - No such file or directory", false},
      {"a folder", [](const std::string& pasta, const std::string&) {
         std::filesystem::create_directory(pasta + "/job.xml");
         return pasta + "/job.xml";
       },
       "Erro: Ao ler configuração - Is a directory", false},
      {"a named pipe nobody writes", [](const std::string& pasta, const std::string&) {
         mkfifo((pasta + "/job.xml").c_str(), 0600);
         return pasta + "/job.xml";
       },
       "Erro: Ao ler configuração - Not a regular file", false},
      {"an endless device", [](const std::string&, const std::string&) { return std::string("/dev/zero"); },
       "Erro: Ao ler configuração - Not a regular file", false},
      {"a symbolic link loop", [](const std::string& pasta, const std::string&) {
         std::filesystem::create_symlink(pasta + "/b.xml", pasta + "/job.xml");
         std::filesystem::create_symlink(pasta + "/job.xml", pasta + "/b.xml");
         return pasta + "/job.xml";
       },
       "Erro: Ao ler configuração - Too many levels of symbolic links", false},
      // A password the file does not escape breaks the file on its own line.
      {"a password with a bare &", Troca(kSenhaNoJob, "<Passwd>Senha&Secreta-7731</Passwd>"), "Erro: Ao ler configuração - ", false},
      {"a password with a bare <", Troca(kSenhaNoJob, "<Passwd>Senha<Secreta-7731</Passwd>"), "Erro: Ao ler configuração - ", false},
      // Values the later steps refuse.
      {"unknown engine", Troca("<Tipo>FIREBIRD</Tipo>", "<Tipo>DB2</Tipo>"),
       "Erro: Ao abrir conexão com o banco - Missing DriverName property", false},
      {"missing database", Troca("dms.fdb", "nao-existe.fdb"), "Erro: Ao abrir conexão com o banco - ", true},
      {"SQL Server nobody serves", Troca("<Tipo>FIREBIRD</Tipo>", "<Tipo>SQL SERVER</Tipo><Host>127.0.0.1,9</Host>"),
       "Erro: Ao abrir conexão com o banco - ", true},
      {"a command that is not a SELECT", Troca("SELECT XML AS XML#NFE# FROM NOTAS", "DELETE FROM NOTAS"),
       "Erro: Ao abrir conexão com o banco - Comando deve ser apenas SELECT!", true},
      {"a document column that does not exist", Troca("<Dados>XMLNFE</Dados>", "<Dados>NAO_EXISTE</Dados>"),
       "Erro ao ler NFe - ", true},
  };
}

bool Emoldurado(const std::vector<std::string>& linhas) {
  return linhas.size() >= 4 && linhas[0].empty() && linhas[1] == std::string(51, '-') &&
         linhas[2].rfind("Iniciando transferência de arquivos: ", 0) == 0 &&
         linhas.back().rfind("Finalizando transferência de arquivos: ", 0) == 0;
}

TEST(ConfiguracaoHostil, EachGivesAFramedLogWithOneErroLineAndStatusOne) {
  kiv::teste::PastaTemporaria pasta;
  const std::string banco = pasta / "dms.fdb";
  CriarBanco(banco, {Chave(30, 0)});

  // The memory of ordinary runs: one that stops at the job file, one that reads the database.
  std::filesystem::create_directory(pasta / "base");
  const long baseLeitura = RodarHospedeiro(pasta / "base/nao-existe.xml").picoKb;
  kiv::teste::EscreverArquivo(pasta / "base/job.xml", Job(banco, "http://127.0.0.1:9/ws", "NUM < 0"));
  const Resultado conectado = RodarHospedeiro(pasta / "base/job.xml");
  ASSERT_EQ(conectado.status, 0) << conectado.log;
  // Reading a 50 MB file, or expanding an entity without bound, would show well above this.
  constexpr long kFolgaKb = 40 * 1024;

  const std::string senhas = kiv::teste::LerArquivo("/etc/passwd");
  const std::string primeiraDoPasswd = senhas.substr(0, senhas.find('\n'));
  ASSERT_FALSE(primeiraDoPasswd.empty());

  int n = 0;
  for (const Caso& caso : Casos()) {
    SCOPED_TRACE(caso.nome);
    const std::string dela = pasta / ("caso" + std::to_string(++n));
    std::filesystem::create_directory(dela);
    const std::string job = caso.preparar(dela, banco);
    const Resultado r = RodarHospedeiro(job, dela + "/saida", std::chrono::seconds(30));
    const auto linhas = Linhas(r.log);

    EXPECT_FALSE(r.parado) << "the run hung";
    EXPECT_EQ(r.status, 1) << r.log;
    EXPECT_TRUE(Emoldurado(linhas)) << r.log;
    EXPECT_EQ(ComecandoCom(linhas, "Erro"), 1u) << r.log;
    size_t erro = 0;
    while (erro < linhas.size() && linhas[erro].rfind("Erro", 0) != 0) ++erro;
    if (erro < linhas.size()) {
      EXPECT_NE(linhas[erro].find(caso.erro), std::string::npos) << linhas[erro];
    }
    EXPECT_EQ(r.erro, "");
    EXPECT_EQ(r.log.find(primeiraDoPasswd), std::string::npos) << "the log shows /etc/passwd";
    EXPECT_EQ(r.log.find("root:x:0:0"), std::string::npos) << "the log shows /etc/passwd";
    const long base = caso.cliente ? conectado.picoKb : baseLeitura;
    EXPECT_LE(r.picoKb, base + kFolgaKb) << "peak memory " << r.picoKb << " KB against " << base << " KB";
  }
}

TEST(ConfiguracaoHostil, TheEchoedSourceLineHidesPasswords) {
  const struct {
    const char* linhas;
    const char* trecho;  // the line the message shows, first 40 characters
    int numero = 2;
  } casos[] = {
      {"<Passwd>Segr&edo 42</Passwd>", "<Passwd>***</Passwd>"},
      {"    <Passwd>Segr<edo</Passwd><User>dms</User>", "    <Passwd>***</Passwd><User>dms</User>"},
      {"<x:Passwd a=\"1\">Segr&edo", "<x:Passwd a=\"1\">***"},
      {"<Senha>&&&</Senha><Url>http://dealer/ws</Url>", "<Senha>***</Senha><Url>http://dealer/ws<"},
      {"<Passwd>\nSegr&edo\n</Passwd>", "***", 3},
      {"<Tipo>FIRE&BIRD</Tipo>", "<Tipo>FIRE&BIRD</Tipo>"},
  };
  kiv::teste::PastaTemporaria pasta;
  for (const auto& c : casos) {
    SCOPED_TRACE(c.linhas);
    kiv::teste::EscreverArquivo(pasta / "job.xml", std::string("<Selecao xmlns=\"urn:kivxmlvw:selecao\"><Origem><Banco>\n") +
                                                      c.linhas + "\n</Banco></Origem></Selecao>\n");
    try {
      kiv::config::CarregarSelecao(pasta / "job.xml");
      ADD_FAILURE() << "loaded";
    } catch (const kiv::config::ErroConfiguracao& e) {
      const std::string m = e.what();
      EXPECT_EQ(m.substr(m.find("\r\nLine: ")), "\r\nLine: " + std::to_string(c.numero) + "\r\n" + c.trecho) << m;
    }
  }
}

}  // namespace
