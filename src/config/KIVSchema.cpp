#include "config/KIVSchema.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "comum/Texto.h"
#include "config/NoXml.h"

namespace kiv::config {
namespace {

// A configuration file is a few kilobytes; anything this large is not one, and reading it whole
// would only cost memory.
constexpr off_t kTamanhoMaximo = 8 * 1024 * 1024;

// The source line with the values of password elements (Passwd, Senha, with or without a
// prefix) hidden: the line is shown in the log, and a password holding a bare "&" or "<" breaks
// the file on its own line.
constexpr std::string_view kElementosSenha[] = {"Passwd", "Senha"};

bool ElementoSenha(std::string_view nomeLocal) {
  return std::find(std::begin(kElementosSenha), std::end(kElementosSenha), nomeLocal) != std::end(kElementosSenha);
}

std::string SemSenhas(std::string linha) {
  for (size_t p = linha.find('<'); p != std::string::npos; p = linha.find('<', p + 1)) {
    size_t nome = p + 1;
    size_t fimNome = nome;
    while (fimNome < linha.size() && linha[fimNome] != '>' && linha[fimNome] != '/' && linha[fimNome] != ' ' &&
           linha[fimNome] != '\t')
      ++fimNome;
    const size_t doisPontos = linha.find(':', nome);
    if (doisPontos < fimNome) nome = doisPontos + 1;
    const std::string_view local = std::string_view(linha).substr(nome, fimNome - nome);
    if (!ElementoSenha(local)) continue;
    const size_t inicio = linha.find('>', fimNome);
    if (inicio == std::string::npos) {
      linha.erase(fimNome);  // the rest of the start tag and whatever follows it on the line
      break;
    }
    if (linha[inicio - 1] == '/') continue;  // an empty element
    const size_t fim = std::min(linha.find("</", inicio + 1), linha.size());
    linha.replace(inicio + 1, fim - inicio - 1, "***");
    p = inicio + 4;
  }
  return linha;
}

// "reason CR LF Line: N CR LF first 40 characters of that source line"; `emSenha`: the error
// arose inside a password element, so a line without its start tag is password text.
std::string MensagemDoLeitor(const std::string& motivo, int linha, const std::string& fonte, bool emSenha = false) {
  std::string trecho;
  if (linha >= 1) {
    size_t inicio = 0;
    for (int i = 1; i < linha && inicio != std::string::npos; ++i) {
      inicio = fonte.find('\n', inicio);
      if (inicio != std::string::npos) ++inicio;
    }
    if (inicio != std::string::npos) {
      size_t fim = fonte.find_first_of("\r\n", inicio);
      if (fim == std::string::npos) fim = fonte.size();
      const std::string original = fonte.substr(inicio, fim - inicio);
      std::string visivel = SemSenhas(original);
      if (emSenha && visivel == original) visivel = "***";
      trecho = Copia(visivel, 1, 40);
    }
  }
  return motivo + "\r\nLine: " + std::to_string(linha < 0 ? 0 : linha) + "\r\n" + trecho;
}

std::string LerArquivoConfiguracao(const std::string& caminho) {
  auto falha = [&](const std::string& motivo) { return ErroConfiguracao(MensagemDoLeitor(motivo + ": " + caminho, 0, {})); };
  // Non-blocking, so that a named pipe in place of the file fails below instead of waiting for a
  // writer; a regular file reads the same either way.
  const int fd = open(caminho.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw falha(std::strerror(errno));
  struct Fecha {
    int fd;
    ~Fecha() { close(fd); }
  } fecha{fd};
  struct stat info {};
  if (fstat(fd, &info) != 0) throw falha(std::strerror(errno));
  if (S_ISDIR(info.st_mode)) throw falha(std::strerror(EISDIR));
  if (!S_ISREG(info.st_mode)) throw falha("Not a regular file");
  if (info.st_size > kTamanhoMaximo) throw falha("File too large for a configuration (" + std::to_string(info.st_size) + " bytes)");
  std::string conteudo(static_cast<size_t>(info.st_size), '\0');
  size_t lidos = 0;
  while (lidos < conteudo.size()) {
    const ssize_t n = read(fd, conteudo.data() + lidos, conteudo.size() - lidos);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw falha(std::strerror(errno));
    if (n == 0) break;
    lidos += static_cast<size_t>(n);
  }
  conteudo.resize(lidos);
  return conteudo;
}

// The first error the parser reports, warnings aside.
struct ErroDoLeitor {
  bool houve = false;
  std::string motivo;
  int linha = 0;
  bool emSenha = false;  // inside a password element
};

void GuardarErro(void* dados, xmlErrorPtr erro) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(dados);
  auto* destino = static_cast<ErroDoLeitor*>(ctxt->_private);
  if (!destino || destino->houve || !erro || erro->level < XML_ERR_ERROR) return;
  destino->houve = true;
  destino->motivo = Trim(erro->message ? erro->message : "XML parse error");
  destino->linha = erro->line;
  destino->emSenha = ctxt->name && ElementoSenha(reinterpret_cast<const char*>(ctxt->name));
}

// Drops text nodes made only of white space, so layout between elements never counts as content.
void RemoverBrancos(xmlNodePtr no) {
  for (xmlNodePtr filho = no->children; filho;) {
    xmlNodePtr proximo = filho->next;
    if (filho->type == XML_TEXT_NODE && xmlIsBlankNode(filho)) {
      xmlUnlinkNode(filho);
      xmlFreeNode(filho);
    } else if (filho->type == XML_ELEMENT_NODE) {
      RemoverBrancos(filho);
    }
    filho = proximo;
  }
}

std::shared_ptr<IXMLTSelecao> RaizTipada(std::shared_ptr<DocumentoXml> documento) {
  xmlNodePtr raiz = xmlDocGetRootElement(documento->doc);
  if (!raiz || !Casa(raiz, "Selecao", kNamespaceSelecao)) throw ErroConfiguracao("Interface not supported");
  return NovaVisaoSelecao(NoXml{std::move(documento), raiz});
}

}  // namespace

std::shared_ptr<IXMLTSelecao> CarregarSelecao(const std::string& caminho) {
  IniciarLibxml();
  const std::string fonte = LerArquivoConfiguracao(caminho);

  std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!ctxt) throw ErroConfiguracao("Out of memory");
  ErroDoLeitor erro;
  ctxt->_private = &erro;
  ctxt->sax->serror = GuardarErro;
  ctxt->vctxt.error = nullptr;
  ctxt->vctxt.warning = nullptr;
  // No DTD loading, no entity substitution, no network: a configuration names no outside resource.
  const int opcoes = XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt.get(), fonte.data(), static_cast<int>(fonte.size()), caminho.c_str(),
                                    nullptr, opcoes);
  auto documento = std::make_shared<DocumentoXml>(doc);
  if (erro.houve || !doc || !ctxt->wellFormed || !ctxt->nsWellFormed) {
    if (!erro.houve) erro.motivo = "XML document is not well-formed";
    throw ErroConfiguracao(MensagemDoLeitor(erro.motivo, erro.linha, fonte, erro.emSenha));
  }
  RemoverBrancos(reinterpret_cast<xmlNodePtr>(doc));
  return RaizTipada(std::move(documento));
}

std::shared_ptr<IXMLTSelecao> NovaSelecao() {
  IniciarLibxml();
  auto documento = std::make_shared<DocumentoXml>(xmlNewDoc(BAD_CAST "1.0"));
  if (!documento->doc) throw ErroConfiguracao("Out of memory");
  xmlNodePtr raiz = xmlNewDocNode(documento->doc, nullptr, BAD_CAST "Selecao", nullptr);
  xmlNsPtr ns = xmlNewNs(raiz, BAD_CAST kNamespaceSelecao, nullptr);
  xmlSetNs(raiz, ns);
  xmlDocSetRootElement(documento->doc, raiz);
  return RaizTipada(std::move(documento));
}

}  // namespace kiv::config
