// The whole package under load: for each N, a Firebird embedded database of N invoices (about 8 KB
// each, sample documents with their keys varied) delivered by the host program kivxmlvw to the
// stand-in web service (http on 127.0.0.1, answering "100" at once). Beside it, the same request
// texts posted by a bare libcurl loop over one reused handle (the physical limit of a strictly
// sequential exchange) and by a Python peer with zeep.
//
//   bench_integracao [N ...]        (1000 10000 100000 by default)
//   bench_integracao --preparar FOLDER URL N
//                                   only writes one N's database, job and peer files into FOLDER
//                                   (for running kivxmlvw under a profiler by hand)
#include <fcntl.h>
#include <string.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "PostagemCurl.h"
#include "nfe/Documento.h"
#include "soap/aakonline.h"
#include "support/Ambiente.h"
#include "support/BancoFirebird.h"
#include "support/ServicoSimulado.h"

extern char** environ;

namespace {

using Relogio = std::chrono::steady_clock;

double Segundos(Relogio::time_point desde) {
  return std::chrono::duration<double>(Relogio::now() - desde).count();
}

constexpr double kMb = 1024.0 * 1024.0;

// ---------------------------------------------------------------------------------------------
// The documents: sample invoices whose 44-digit key (Id="NFe…", chNFe) is varied per row.

std::vector<size_t> Posicoes(std::string_view texto, std::string_view procurado) {
  std::vector<size_t> r;
  for (size_t p = texto.find(procurado); p != std::string_view::npos; p = texto.find(procurado, p + 1))
    r.push_back(p);
  return r;
}

void Aplicar(std::string& texto, const std::vector<size_t>& posicoes, const std::string& chave) {
  for (size_t p : posicoes) std::memcpy(texto.data() + p, chave.data(), chave.size());
}

// The check digit of an access key: modulus 11 with weights 2 to 9 from the right.
char DigitoVerificador(std::string_view chave43) {
  int soma = 0, peso = 2;
  for (auto c = chave43.rbegin(); c != chave43.rend(); ++c) {
    soma += (*c - '0') * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  const int resto = soma % 11;
  return static_cast<char>('0' + (resto < 2 ? 0 : 11 - resto));
}

struct Modelo {
  std::string nome;
  std::string texto;       // the sample document as the database stores it
  std::string chave;       // its key
  std::vector<size_t> noTexto;
  std::string requisicao;  // the request text the package makes of it
  std::vector<size_t> naRequisicao;

  // Row i's key: the invoice number (digits 26 to 34) is i + 1, the check digit recomputed.
  std::string Chave(long i) const {
    std::string k = chave;
    char numero[16];
    std::snprintf(numero, sizeof numero, "%09ld", (i + 1) % 1000000000L);
    k.replace(25, 9, numero);
    k[43] = DigitoVerificador(std::string_view(k).substr(0, 43));
    return k;
  }
};

std::string RequisicaoDoPacote(const std::string& documento) {
  return kiv::soap::MontarRequisicao(kiv::nfe::MontarDocumento(kiv::nfe::NormalizarDocumento(documento), "E", false));
}

Modelo CarregarModelo(const std::string& nome) {
  Modelo m;
  m.nome = nome;
  m.texto = kiv::teste::LerArquivo(kiv::teste::Fixture(nome));
  const size_t id = m.texto.find("Id=\"NFe");
  if (id == std::string::npos) throw std::runtime_error(nome + ": no Id=\"NFe");
  m.chave = m.texto.substr(id + 7, 44);
  m.noTexto = Posicoes(m.texto, m.chave);
  m.requisicao = RequisicaoDoPacote(m.texto);
  m.naRequisicao = Posicoes(m.requisicao, m.chave);
  // The bare loop patches the request text in place; it must be the package's own text.
  for (long i : {0L, 1L, 99998L}) {
    std::string doc = m.texto, req = m.requisicao;
    Aplicar(doc, m.noTexto, m.Chave(i));
    Aplicar(req, m.naRequisicao, m.Chave(i));
    if (req != RequisicaoDoPacote(doc)) throw std::runtime_error(nome + ": patched request differs from the package's");
  }
  return m;
}

// The rows alternate between a compact and an indented invoice: about 8 KB on average.
std::vector<Modelo> Modelos() {
  return {CarregarModelo("nfeProc-2.00-compact.xml"), CarregarModelo("nfeProc-4.00-indented.xml")};
}

// ---------------------------------------------------------------------------------------------
// A child program: its output read as it comes, its peak memory from wait4.

struct Processo {
  double segundos = 0;
  double segundosCpu = 0;  // user and system time
  long picoKb = 0;
  int status = -1;
};

// Counts a text in an output read block by block, occurrences across two blocks included, and
// keeps the first few lines that contain it.
class Contador {
 public:
  explicit Contador(std::string procurado) : procurado_(std::move(procurado)) {}
  void Ler(std::string_view bloco) {
    // Where the last block ended: its tail with the start of this one.
    const size_t m = procurado_.size();
    std::string juntas = cauda_;
    juntas.append(bloco.substr(0, std::min(bloco.size(), m - 1)));
    Contar(juntas);
    Contar(bloco);
    cauda_.assign(bloco.size() >= m - 1 ? bloco.substr(bloco.size() - (m - 1)) : bloco);
  }
  long Quantos() const { return quantos_; }
  const std::vector<std::string>& Exemplos() const { return exemplos_; }

 private:
  void Contar(std::string_view texto) {
    for (const char* p = texto.data(), *fim = p + texto.size();;) {
      const void* achado = memmem(p, static_cast<size_t>(fim - p), procurado_.data(), procurado_.size());
      if (!achado) return;
      p = static_cast<const char*>(achado);
      ++quantos_;
      if (exemplos_.size() < 3) {
        const std::string_view resto(p, static_cast<size_t>(std::min<ptrdiff_t>(fim - p, 200)));
        exemplos_.emplace_back(resto.substr(0, resto.find('\r')));
      }
      p += procurado_.size();
    }
  }
  std::string procurado_, cauda_;
  long quantos_ = 0;
  std::vector<std::string> exemplos_;
};

Processo Rodar(const std::vector<std::string>& argumentos, const std::function<void(std::string_view)>& bloco) {
  int tubo[2];
  if (pipe2(tubo, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  fcntl(tubo[0], F_SETPIPE_SZ, 1 << 20);  // fewer round trips for a log of hundreds of MB
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  posix_spawn_file_actions_addopen(&acoes, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&acoes, tubo[1], 1);
  std::vector<char*> argv;
  for (const auto& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto inicio = Relogio::now();
  pid_t pid = -1;
  const int r = posix_spawnp(&pid, argv[0], &acoes, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&acoes);
  close(tubo[1]);
  if (r != 0) {
    close(tubo[0]);
    throw std::runtime_error("cannot start " + argumentos[0] + ": " + std::strerror(r));
  }
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t n = read(tubo[0], buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bloco(std::string_view(buffer.data(), static_cast<size_t>(n)));
  }
  close(tubo[0]);
  Processo p;
  int estado = 0;
  rusage uso{};
  while (wait4(pid, &estado, 0, &uso) < 0 && errno == EINTR) {
  }
  p.segundos = Segundos(inicio);
  p.picoKb = uso.ru_maxrss;
  p.segundosCpu = static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
                  static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
  p.status = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
  return p;
}

// ---------------------------------------------------------------------------------------------

std::string Wsdl(const std::string& url) {
  const std::string ns(kiv::soap::kNamespaceAAKOnLine);
  return R"(<?xml version="1.0" encoding="utf-8"?>
<wsdl:definitions xmlns:wsdl="http://schemas.xmlsoap.org/wsdl/" xmlns:soap12="http://schemas.xmlsoap.org/wsdl/soap12/"
    xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:tns=")" +
         ns + R"(" targetNamespace=")" + ns + R"(">
  <wsdl:types>
    <xs:schema targetNamespace=")" +
         ns + R"(" elementFormDefault="qualified">
      <xs:element name="EnviaXML"><xs:complexType><xs:sequence>
        <xs:element name="NFe" minOccurs="0"><xs:complexType><xs:sequence>
          <xs:any processContents="skip" minOccurs="0" maxOccurs="unbounded"/>
        </xs:sequence></xs:complexType></xs:element>
      </xs:sequence></xs:complexType></xs:element>
      <xs:element name="EnviaXMLResponse"><xs:complexType><xs:sequence>
        <xs:element name="EnviaXMLResult" minOccurs="0"><xs:complexType><xs:sequence>
          <xs:element name="CodRetorno" type="xs:string" minOccurs="0"/>
          <xs:element name="MsgRetorno" type="xs:string" minOccurs="0"/>
        </xs:sequence></xs:complexType></xs:element>
      </xs:sequence></xs:complexType></xs:element>
    </xs:schema>
  </wsdl:types>
  <wsdl:message name="EnviaXMLSoapIn"><wsdl:part name="parameters" element="tns:EnviaXML"/></wsdl:message>
  <wsdl:message name="EnviaXMLSoapOut"><wsdl:part name="parameters" element="tns:EnviaXMLResponse"/></wsdl:message>
  <wsdl:portType name="AAKOnLineSoap">
    <wsdl:operation name="EnviaXML">
      <wsdl:input message="tns:EnviaXMLSoapIn"/><wsdl:output message="tns:EnviaXMLSoapOut"/>
    </wsdl:operation>
  </wsdl:portType>
  <wsdl:binding name="AAKOnLineSoap12" type="tns:AAKOnLineSoap">
    <soap12:binding transport="http://schemas.xmlsoap.org/soap/http"/>
    <wsdl:operation name="EnviaXML">
      <soap12:operation soapAction=")" +
         std::string(kiv::soap::kAcaoEnviaXML) + R"(" style="document"/>
      <wsdl:input><soap12:body use="literal"/></wsdl:input>
      <wsdl:output><soap12:body use="literal"/></wsdl:output>
    </wsdl:operation>
  </wsdl:binding>
  <wsdl:service name="AAKOnLine">
    <wsdl:port name="AAKOnLineSoap12" binding="tns:AAKOnLineSoap12"><soap12:address location=")" +
         url + R"("/></wsdl:port>
  </wsdl:service>
</wsdl:definitions>
)";
}

std::string Job(const std::string& banco, const std::string& url) {
  return R"(<?xml version="1.0" encoding="UTF-8"?>
<Selecao xmlns="urn:kivxmlvw:selecao">
  <Origem>
    <Banco>
      <Tipo>FIREBIRD</Tipo>
      <DataBase>)" +
         banco + R"(</DataBase>
      <User>SYSDBA</User>
      <Passwd>masterkey</Passwd>
    </Banco>
    <Execute><![CDATA[SELECT XML AS XML#NFE# FROM NFE ORDER BY ID]]></Execute>
    <Result><Dados>XMLNFE</Dados></Result>
  </Origem>
  <Destino><Soap><Url>)" +
         url + R"(</Url></Soap></Destino>
</Selecao>
)";
}

// Writes into `pasta` the database dms.fdb of n rows, the same rows exported for the peer
// (documentos.dat), the job (job.xml) and the peer's WSDL (aakonline.wsdl), all for `url`.
// Returns the bytes of the documents.
size_t Preparar(const std::string& pasta, const std::string& url, long n, const std::vector<Modelo>& modelos) {
  const std::string banco = pasta + "/dms.fdb", exportados = pasta + "/documentos.dat";
  kiv::teste::BancoFirebird fb(banco, "UTF8");
  fb.Executar("CREATE TABLE NFE (ID INTEGER NOT NULL PRIMARY KEY, XML BLOB SUB_TYPE TEXT CHARACTER SET UTF8)");
  std::FILE* saida = std::fopen(exportados.c_str(), "wb");
  if (!saida) throw std::runtime_error("cannot write " + exportados);
  size_t bytes = 0;
  constexpr long kLote = 2000;
  for (long feitos = 0; feitos < n;) {
    std::vector<kiv::teste::BancoFirebird::Valores> linhas;
    for (; feitos < n && static_cast<long>(linhas.size()) < kLote; ++feitos) {
      const Modelo& m = modelos[static_cast<size_t>(feitos) % modelos.size()];
      std::string doc = m.texto;
      Aplicar(doc, m.noTexto, m.Chave(feitos));
      bytes += doc.size();
      std::fprintf(saida, "%zu\n", doc.size());
      std::fwrite(doc.data(), 1, doc.size(), saida);
      linhas.push_back({std::to_string(feitos + 1), std::move(doc)});
    }
    fb.Inserir("NFE", {"ID", "XML"}, linhas);
  }
  if (std::fclose(saida) != 0) throw std::runtime_error("cannot write " + exportados);
  fb.Desligar();
  kiv::teste::EscreverArquivo(pasta + "/job.xml", Job(banco, url));
  kiv::teste::EscreverArquivo(pasta + "/aakonline.wsdl", Wsdl(url));
  return bytes;
}

// The Python that has zeep (Debian's python3-zeep is for the system's interpreter), or "".
std::string PythonComZeep() {
  for (const char* p : {"/usr/bin/python3", "python3"}) {
    int status = 0;
    kiv::teste::Rodar(std::string(p) + " -c 'import zeep' 2>/dev/null", status);
    if (status == 0) return p;
  }
  return {};
}

struct Linha {
  long n = 0;
  double mbDocumentos = 0;
  double segundosBanco = 0;
  // The host program.
  double segundos = 0;
  double segundosCpu = 0;
  double picoMb = 0;
  long aceitos = 0, erros = 0;
  // The bare loop and the peer.
  double segundosCurl = 0;
  long aceitosCurl = 0;
  double segundosZeep = 0, picoMbZeep = 0;
  long aceitosZeep = -1;

  double PorSegundo() const { return n / segundos; }
  double MicrossegundosPorDocumento() const { return 1e6 * segundos / n; }
  double Multiplo() const { return picoMb / mbDocumentos; }
  double LimiteMb() const { return 3 * mbDocumentos + 30; }
  double RazaoCurl() const { return segundosCurl / segundos; }
  double RazaoZeep() const { return segundosZeep / segundos; }
};

Linha Medir(long n, const std::vector<Modelo>& modelos, kiv::teste::ServicoSimulado& servico,
            const std::string& python) {
  Linha l;
  l.n = n;
  kiv::teste::PastaTemporaria pasta;  // an empty Work folder beside the job for every N
  const std::string exportados = pasta / "documentos.dat", job = pasta / "job.xml";
  const std::string url = servico.Url();

  auto t = Relogio::now();
  l.mbDocumentos = Preparar(pasta.Caminho(), url, n, modelos) / kMb;
  l.segundosBanco = Segundos(t);

  // The bare loop: the same request texts, over one reused handle. Half of the rows go before the
  // host program's run and half after it, so a change of load on the machine falls on both sides.
  kiv::bench::PostagemCurl curl(url);
  std::vector<std::string> requisicoes;
  for (const auto& m : modelos) requisicoes.push_back(m.requisicao);
  const auto laco = [&](long de, long ate) {
    const auto inicio = Relogio::now();
    for (long i = de; i < ate; ++i) {
      const size_t k = static_cast<size_t>(i) % modelos.size();
      Aplicar(requisicoes[k], modelos[k].naRequisicao, modelos[k].Chave(i));
      if (curl.Postar(requisicoes[k]) && curl.Resposta().find("<CodRetorno>100</CodRetorno>") != std::string::npos)
        ++l.aceitosCurl;
    }
    l.segundosCurl += Segundos(inicio);
  };
  laco(0, n / 2);

  // The host program, as a scheduler runs it. Its log goes through a pipe to this program, which
  // counts the accepted deliveries and the error lines (a line of the log begins after "\n").
  Contador aceitos(" - Transmissão SOAP: Cod.[100] - Desc.["), erros("\nErro");
  const int antes = servico.Estado().requisicoes;
  const Processo p = Rodar({KIV_HOST_PATH, job}, [&](std::string_view bloco) {
    aceitos.Ler(bloco);
    erros.Ler(bloco);
  });
  const int postados = servico.Estado().requisicoes - antes;
  l.segundos = p.segundos;
  l.segundosCpu = p.segundosCpu;
  l.picoMb = p.picoKb / 1024.0;
  l.aceitos = aceitos.Quantos();
  l.erros = erros.Quantos();
  if (p.status != 0 || l.aceitos != n || postados != n) {
    std::fprintf(stderr, "N=%ld: kivxmlvw exited %d, %ld of %ld accepted, stand-in saw %d posts\n", n, p.status,
                 l.aceitos, n, postados);
    for (const auto& e : erros.Exemplos()) std::fprintf(stderr, "  %s\n", e.c_str() + 1);
  }

  laco(n / 2, n);

  // The peer.
  if (!python.empty()) {
    const std::string programa = std::string(KIV_BENCH_DIR) + "/cliente_zeep.py";
    std::string saida;
    const Processo z = Rodar({python, programa, pasta / "aakonline.wsdl", url, exportados},
                             [&](std::string_view bloco) { saida.append(bloco); });
    long documentos = 0, aceitos = 0;
    double s = 0;
    if (std::sscanf(saida.c_str(), "documentos=%ld aceitos=%ld segundos=%lf", &documentos, &aceitos, &s) == 3)
      l.aceitosZeep = aceitos;
    l.segundosZeep = z.segundos;
    l.picoMbZeep = z.picoKb / 1024.0;
    if (z.status != 0) std::fprintf(stderr, "N=%ld: the zeep peer exited %d\n", n, z.status);
  }
  return l;
}

// What a run costs whatever its size: the host program with a one-row job (start, loading the
// package, attaching the database, one delivery, exit), the median of three runs.
Processo RodadaMinima(const std::vector<Modelo>& modelos, kiv::teste::ServicoSimulado& servico) {
  kiv::teste::PastaTemporaria pasta;
  Preparar(pasta.Caminho(), servico.Url(), 1, modelos);
  std::vector<Processo> rodadas;
  for (int i = 0; i < 3; ++i) {
    std::filesystem::remove_all(pasta / "Work");
    rodadas.push_back(Rodar({KIV_HOST_PATH, pasta / "job.xml"}, [](std::string_view) {}));
  }
  std::sort(rodadas.begin(), rodadas.end(), [](const auto& a, const auto& b) { return a.segundos < b.segundos; });
  return rodadas[1];
}

const char* Marca(bool ok) { return ok ? "met" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string_view(argv[1]) == "--preparar") {
    // For profiling by hand: the files of one N in an existing folder, for a stand-in at URL.
    try {
      Preparar(argv[2], argv[3], std::atol(argv[4]), Modelos());
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "bench_integracao: %s\n", e.what());
      return 1;
    }
  }
  std::vector<long> ns;
  for (int i = 1; i < argc; ++i) ns.push_back(std::atol(argv[i]));
  if (ns.empty()) ns = {1000, 10000, 100000};
  for (long n : ns)
    if (n < 1) {
      std::fprintf(stderr, "usage: bench_integracao [N ...] (each N at least 1)\n");
      return 2;
    }
  // Loopback only: no proxy of the environment may stand between the clients and the stand-in.
  for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(v);

  const auto inicio = Relogio::now();
  try {
    const std::vector<Modelo> modelos = Modelos();
    const std::string python = PythonComZeep();
    kiv::teste::ServicoSimulado::Opcoes opcoes;
    opcoes.registrar = false;
    kiv::teste::ServicoSimulado servico(opcoes);

    std::printf("End to end: Firebird embedded -> kivxmlvw -> stand-in (http, 127.0.0.1, answers 100 at once)\n");
    std::printf("rows: %s and %s alternately (%.1f KB on average), key varied per row\n", modelos[0].nome.c_str(),
                modelos[1].nome.c_str(), (modelos[0].texto.size() + modelos[1].texto.size()) / 2 / 1024.0);
    std::printf("bare: libcurl posting the same request texts over one reused handle\n");
    if (python.empty())
      std::printf("zeep: not run (no Python with zeep: apt-get install python3-zeep)\n");
    else
      std::printf(
          "zeep: %s bench/cliente_zeep.py, a zeep client (SOAP 1.2, WSDL written by the bench); no Python driver\n"
          "      opens Firebird embedded, so it reads the same rows exported to a file by the bench\n",
          python.c_str());
    const Processo minima = RodadaMinima(modelos, servico);
    std::printf("one-row run of kivxmlvw (start, load, attach, one delivery, exit): %.0f ms, peak %.1f MB\n",
                1000 * minima.segundos, minima.picoKb / 1024.0);
    std::printf("\n%8s %8s %7s | %9s %8s %7s %8s %7s %8s | %9s %6s | %9s %8s %6s\n", "N", "docs MB", "db s",
                "docs/s", "us/doc", "cpu us", "peak MB", "x docs", "limit MB", "bare /s", "ratio", "zeep /s", "zeep MB",
                "x zeep");
    std::fflush(stdout);

    std::vector<Linha> linhas;
    for (long n : ns) {
      const Linha l = Medir(n, modelos, servico, python);
      linhas.push_back(l);
      std::printf("%8ld %8.1f %7.1f | %9.1f %8.1f %7.1f %8.1f %7.2f %8.1f | %9.1f %6.3f |", l.n, l.mbDocumentos,
                  l.segundosBanco, l.PorSegundo(), l.MicrossegundosPorDocumento(), 1e6 * l.segundosCpu / n, l.picoMb,
                  l.Multiplo(), l.LimiteMb(), n / l.segundosCurl, l.RazaoCurl());
      if (l.aceitosZeep >= 0)
        std::printf(" %9.1f %8.1f %6.2f\n", n / l.segundosZeep, l.picoMbZeep, l.RazaoZeep());
      else
        std::printf(" %9s %8s %6s\n", "-", "-", "-");
      if (l.aceitosCurl != n || (l.aceitosZeep >= 0 && l.aceitosZeep != n))
        std::printf("   (accepted: kivxmlvw %ld, bare %ld, zeep %ld of %ld)\n", l.aceitos, l.aceitosCurl, l.aceitosZeep,
                    n);
      std::fflush(stdout);
    }

    std::printf("\ncolumns: docs/s and us/doc of kivxmlvw from start to exit (load, selection, deliveries, log),\n"
                "cpu us its processor time (user and system) per document;\n"
                "peak MB its maximum resident set (wait4), x docs that over the selected documents' bytes;\n"
                "ratio = kivxmlvw docs/s over bare posts/s; x zeep = kivxmlvw docs/s over the peer's\n\n");
    const Linha& base = linhas.front();
    std::printf("targets:\n");
    for (const auto& l : linhas) {
      const double desvio = l.MicrossegundosPorDocumento() / base.MicrossegundosPorDocumento() - 1;
      // The same without the one-row run's fixed cost.
      const auto liquido = [&](const Linha& x) { return (x.segundos - minima.segundos) / x.n; };
      const double desvioLiquido = liquido(l) / liquido(base) - 1;
      std::printf("  N=%-7ld  >= 0.8 of bare: %.3f %-6s  >= 3x zeep: ", l.n, l.RazaoCurl(), Marca(l.RazaoCurl() >= 0.8));
      if (l.aceitosZeep >= 0)
        std::printf("%.2f %-6s", l.RazaoZeep(), Marca(l.RazaoZeep() >= 3));
      else
        std::printf("%-11s", "not run");
      std::printf("  peak <= 3x docs + 30 MB: %.1f <= %.1f %-6s", l.picoMb, l.LimiteMb(), Marca(l.picoMb <= l.LimiteMb()));
      std::printf("  us/doc vs N=%ld: %+.1f%% %-6s (less the one-row run: %+.1f%%)\n", base.n, 100 * desvio,
                  Marca(std::fabs(desvio) <= 0.15), 100 * desvioLiquido);
    }
    std::printf("\ntotal %.0f s\n", Segundos(inicio));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_integracao: %s\n", e.what());
    return 1;
  }
}
