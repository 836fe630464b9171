#include "run/RegistroEnviados.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlwriter.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Arquivos.h"
#include "platform/PaginaCodigo.h"

namespace kiv::run {
namespace {

using Relogio = std::chrono::steady_clock;
constexpr auto kIntervaloGravacao = std::chrono::seconds(1);

constexpr std::array<const TCampoEnviados*, 4> kCampos{&stfEnviadosCHAVE_NFE, &stfEnviadosTIPO, &stfEnviadosStatus,
                                                       &stfEnviadosDESCRICAO};

// ---------------------------------------------------------------------------------------------
// Column values: 8-bit text of the ANSI code page, held as UTF-8.

// A character that an XML 1.0 file can carry, as far as the code pages go: no C0 control
// character but the tab and the line breaks.
bool CabeEmXml(char32_t cp) { return cp >= 0x20 || cp == '\t' || cp == '\n' || cp == '\r'; }

// Printable ASCII is the same in every ANSI code page, so such a value needs no conversion.
bool Simples(std::string_view valor) {
  for (char c : valor)
    if (static_cast<unsigned char>(c) >= 0x80 || !CabeEmXml(static_cast<unsigned char>(c))) return false;
  return true;
}

// `valor` as an 8-bit column holds it: at most `largura` characters (all when npos), each one
// the code page cannot hold, or an XML file cannot carry, replaced by "?".
std::string ValorDeColuna(std::string_view valor, size_t largura) {
  if (Simples(valor)) return std::string(valor.substr(0, largura));
  std::string ansi = plataforma::ParaAnsi(valor);  // one byte per character
  if (ansi.size() > largura) ansi.resize(largura);
  for (char& c : ansi)
    if (!CabeEmXml(static_cast<unsigned char>(c))) c = '?';
  return plataforma::DeAnsi(ansi);
}

// ---------------------------------------------------------------------------------------------
// The table: a hash of the pairs (CHAVE_NFE, TIPO), compared byte for byte, for constant-time
// lookups; the IDX_CHAVE order (CHAVE_NFE, then TIPO) is made when the file is written.

struct Par {
  std::string chave, tipo;
};

using ParVisto = std::pair<std::string_view, std::string_view>;

ParVisto Visto(const Par& p) { return {p.chave, p.tipo}; }
ParVisto Visto(const ParVisto& p) { return p; }

struct HashPar {
  using is_transparent = void;
  template <class P>
  size_t operator()(const P& p) const {
    const auto [chave, tipo] = Visto(p);
    const size_t h = std::hash<std::string_view>{}(chave);
    return h ^ (std::hash<std::string_view>{}(tipo) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
  }
};

struct IgualPar {
  using is_transparent = void;
  template <class A, class B>
  bool operator()(const A& a, const B& b) const {
    return Visto(a) == Visto(b);
  }
};

struct Resposta {
  std::string status, descricao;
};

using Tabela = std::unordered_map<Par, Resposta, HashPar, IgualPar>;

using Ordem = std::vector<const Tabela::value_type*>;

bool AntesNaOrdem(const Tabela::value_type* a, const Tabela::value_type* b) { return Visto(a->first) < Visto(b->first); }

// The IDX_CHAVE order of a table, kept from one write to the next: a write sorts only the entries
// added since the last one and merges them in, instead of sorting the whole table every second.
// Entries are never removed, and an entry's address in the table never changes.
class OrdemDaTabela {
 public:
  // An entry just added to the table.
  void Acrescentada(const Tabela::value_type* entrada) {
    if (valida_) novas_.push_back(entrada);
  }
  // Entries came in some other way (a load, a merge with the file): sort again at the next write.
  void Invalidar() {
    valida_ = false;
    novas_.clear();
  }
  const Ordem& Atual(const Tabela& tabela) {
    if (!valida_) {
      ordem_.clear();
      ordem_.reserve(tabela.size());
      for (const auto& entrada : tabela) ordem_.push_back(&entrada);
      std::sort(ordem_.begin(), ordem_.end(), AntesNaOrdem);
      valida_ = true;
    } else if (!novas_.empty()) {
      std::sort(novas_.begin(), novas_.end(), AntesNaOrdem);
      const auto meio = static_cast<Ordem::difference_type>(ordem_.size());
      ordem_.insert(ordem_.end(), novas_.begin(), novas_.end());
      std::inplace_merge(ordem_.begin(), ordem_.begin() + meio, ordem_.end(), AntesNaOrdem);
      novas_.clear();
    }
    return ordem_;
  }

 private:
  Ordem ordem_;
  Ordem novas_;
  bool valida_ = false;
};

// ---------------------------------------------------------------------------------------------
// The data packet on disk.

using Documento = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;
using ContextoLeitura = std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)>;

bool Nome(const xmlNode* no, const char* nome) {
  return no->type == XML_ELEMENT_NODE && xmlStrcmp(no->name, BAD_CAST nome) == 0;
}

const xmlNode* Filho(const xmlNode* pai, const char* nome) {
  for (const xmlNode* f = pai ? pai->children : nullptr; f; f = f->next)
    if (Nome(f, nome)) return f;
  return nullptr;
}

std::string ValorAtributo(const xmlAttr* a) {
  const xmlNode* filho = a->children;
  if (!filho) return {};
  if (!filho->next && filho->type == XML_TEXT_NODE) return reinterpret_cast<const char*>(filho->content);
  xmlChar* v = xmlNodeListGetString(a->doc, filho, 1);
  std::string r = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return r;
}

// A DOCTYPE could declare entities that expand without bound; a data packet has none.
void RecusarDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* contexto = static_cast<xmlParserCtxtPtr>(ctx);
  *static_cast<bool*>(contexto->_private) = true;
  xmlStopParser(contexto);
}

void Silenciar(void*, xmlErrorPtr) {}

// The entries of a data packet; throws std::runtime_error with the reason it is not one.
Tabela InterpretarPacote(const std::string& conteudo) {
  if (conteudo.empty()) throw std::runtime_error("XML inválido: o arquivo está vazio");
  if (conteudo.size() > static_cast<size_t>(INT32_MAX)) throw std::runtime_error("o arquivo é grande demais");
  ContextoLeitura ctx(xmlCreateMemoryParserCtxt(conteudo.data(), static_cast<int>(conteudo.size())),
                      &xmlFreeParserCtxt);
  if (!ctx) throw std::runtime_error("sem memória para ler o XML");
  bool doctype = false;
  xmlCtxtUseOptions(ctx.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS |
                                   XML_PARSE_COMPACT);
  ctx->_private = &doctype;
  ctx->sax->internalSubset = &RecusarDoctype;
  ctx->sax->serror = &Silenciar;
  xmlParseDocument(ctx.get());
  Documento doc(std::exchange(ctx->myDoc, nullptr), &xmlFreeDoc);
  if (doctype) throw std::runtime_error("declaração DOCTYPE não é aceita");
  if (!ctx->wellFormed || !doc) {
    std::string motivo = ctx->lastError.message ? ctx->lastError.message : "XML inválido";
    while (!motivo.empty() && (motivo.back() == '\n' || motivo.back() == ' ')) motivo.pop_back();
    throw std::runtime_error("XML inválido na linha " + std::to_string(ctx->lastError.line) + ": " + motivo);
  }

  const xmlNode* raiz = xmlDocGetRootElement(doc.get());
  if (!raiz || !Nome(raiz, "DATAPACKET"))
    throw std::runtime_error(std::string("o elemento raiz é ") + (raiz ? reinterpret_cast<const char*>(raiz->name) : "") +
                             ", e não DATAPACKET");
  const xmlNode* campos = Filho(Filho(raiz, "METADATA"), "FIELDS");
  if (!campos) throw std::runtime_error("falta o elemento METADATA/FIELDS");
  for (const auto* campo : kCampos) {
    bool declarado = false;
    for (const xmlNode* f = campos->children; f && !declarado; f = f->next)
      if (Nome(f, "FIELD"))
        if (const xmlAttr* a = xmlHasProp(f, BAD_CAST "attrname")) declarado = ValorAtributo(a) == campo->nome;
    if (!declarado) throw std::runtime_error("a coluna " + std::string(campo->nome) + " não está declarada em FIELDS");
  }
  const xmlNode* linhas = Filho(raiz, "ROWDATA");
  if (!linhas) throw std::runtime_error("falta o elemento ROWDATA");

  Tabela tabela;
  for (const xmlNode* linha = linhas->children; linha; linha = linha->next) {
    if (!Nome(linha, "ROW")) continue;
    std::array<std::string, 4> valores;
    for (const xmlAttr* a = linha->properties; a; a = a->next)
      for (size_t c = 0; c < kCampos.size(); ++c)
        if (xmlStrcmp(a->name, BAD_CAST kCampos[c]->nome.data()) == 0) valores[c] = ValorAtributo(a);
    // Values are held as the columns hold them, whoever wrote the file; the first entry of a
    // pair is the one a lookup would find.
    tabela.try_emplace(Par{stfEnviadosCHAVE_NFE.Ajustar(valores[0]), stfEnviadosTIPO.Ajustar(valores[1])},
                       Resposta{stfEnviadosStatus.Ajustar(valores[2]), stfEnviadosDESCRICAO.Ajustar(valores[3])});
  }
  return tabela;
}

using Escritor = std::unique_ptr<xmlTextWriter, decltype(&xmlFreeTextWriter)>;
using Buffer = std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)>;

void Verificar(int rc) {
  if (rc < 0) throw std::runtime_error("falha ao gerar o XML");
}

// The table as a data packet, written with libxml2's writer so whatever the values hold is
// escaped correctly.
std::string SerializarPacote(const Ordem& ordem) {
  Buffer buffer(xmlBufferCreate(), &xmlBufferFree);
  if (!buffer) throw std::runtime_error("sem memória para gerar o XML");
  Escritor w(xmlNewTextWriterMemory(buffer.get(), 0), &xmlFreeTextWriter);
  if (!w) throw std::runtime_error("sem memória para gerar o XML");
  const auto x = [](std::string_view s) { return BAD_CAST s.data(); };
  Verificar(xmlTextWriterSetIndent(w.get(), 1));
  Verificar(xmlTextWriterSetIndentString(w.get(), BAD_CAST " "));
  Verificar(xmlTextWriterStartDocument(w.get(), "1.0", "UTF-8", "yes"));
  Verificar(xmlTextWriterStartElement(w.get(), x("DATAPACKET")));
  Verificar(xmlTextWriterWriteAttribute(w.get(), x("Version"), x("2.0")));
  Verificar(xmlTextWriterStartElement(w.get(), x("METADATA")));
  Verificar(xmlTextWriterStartElement(w.get(), x("FIELDS")));
  for (const auto* campo : kCampos) {
    Verificar(xmlTextWriterStartElement(w.get(), x("FIELD")));
    Verificar(xmlTextWriterWriteAttribute(w.get(), x("attrname"), x(campo->nome)));
    Verificar(xmlTextWriterWriteAttribute(w.get(), x("fieldtype"), x("string")));
    Verificar(xmlTextWriterWriteAttribute(w.get(), x("WIDTH"), x(std::to_string(campo->largura))));
    Verificar(xmlTextWriterEndElement(w.get()));
  }
  Verificar(xmlTextWriterEndElement(w.get()));  // FIELDS
  Verificar(xmlTextWriterStartElement(w.get(), x("PARAMS")));
  Verificar(xmlTextWriterEndElement(w.get()));
  Verificar(xmlTextWriterEndElement(w.get()));  // METADATA
  Verificar(xmlTextWriterStartElement(w.get(), x("ROWDATA")));
  for (const auto* entrada : ordem) {
    const auto& [par, resposta] = *entrada;
    Verificar(xmlTextWriterStartElement(w.get(), x("ROW")));
    Verificar(xmlTextWriterWriteAttribute(w.get(), x(stfEnviadosCHAVE_NFE.nome), x(par.chave)));
    Verificar(xmlTextWriterWriteAttribute(w.get(), x(stfEnviadosTIPO.nome), x(par.tipo)));
    Verificar(xmlTextWriterWriteAttribute(w.get(), x(stfEnviadosStatus.nome), x(resposta.status)));
    Verificar(xmlTextWriterWriteAttribute(w.get(), x(stfEnviadosDESCRICAO.nome), x(resposta.descricao)));
    Verificar(xmlTextWriterEndElement(w.get()));
  }
  Verificar(xmlTextWriterEndDocument(w.get()));  // closes ROWDATA and DATAPACKET
  Verificar(xmlTextWriterFlush(w.get()));
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<size_t>(xmlBufferLength(buffer.get())));
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::string TCampoEnviados::Ajustar(std::string_view valor) const { return ValorDeColuna(valor, largura); }

std::string PastaWork(const std::string& caminhoConfiguracao) {
  const auto barra = caminhoConfiguracao.find_last_of('/');
  return (barra == std::string::npos ? std::string() : caminhoConfiguracao.substr(0, barra + 1)) + "Work";
}

std::string ArquivoRegistro(const std::string& pastaWork, const plataforma::DataHora& d) {
  char data[32];
  std::snprintf(data, sizeof data, "%04d%02d%02d", d.ano, d.mes, d.dia);
  return pastaWork + "/NfeEnvVW_" + data + ".xml";
}

struct TRegistroEnviados::Estado {
  bool aberto = false;
  std::string arquivo;
  std::string trava;  // the lock file every writer of the Work folder's registers takes
  Tabela tabela;
  OrdemDaTabela ordem;
  bool pendente = false;  // recordings not yet in the file
  // The file's bytes as this register last read or wrote them: while the file still holds
  // them, no one else has written it and a save need not read it again.
  std::optional<std::string> conteudoConhecido;
  std::optional<Relogio::time_point> ultimaGravacao;
};

TRegistroEnviados::TRegistroEnviados() : estado_(std::make_unique<Estado>()) {}

TRegistroEnviados::~TRegistroEnviados() {
  try {
    Fechar();
  } catch (...) {
    // The owner that wants the failure calls Fechar() itself.
  }
}

void TRegistroEnviados::Preparar(const std::string& pastaWork, const std::string& arquivo) {
  estado_ = std::make_unique<Estado>();
  const std::string trava = plataforma::PastaDe(arquivo) + "/NfeEnvVW.lock";
  // Without a folder the run can write and lock, every acceptance of the run would be lost at
  // its end.
  try {
    plataforma::CriarPastas(pastaWork);
    plataforma::ProvarEscrita(pastaWork);
    plataforma::TravaExclusiva prova(trava);
  } catch (const std::exception& e) {
    throw std::runtime_error("Pasta de trabalho " + pastaWork + " não pode ser usada: " + e.what());
  }

  const std::string falhaCarga = "Registro de enviados " + arquivo + " não pode ser carregado: ";
  std::optional<std::string> conteudo;
  try {
    conteudo = plataforma::LerSeExistir(arquivo);
  } catch (const std::system_error& e) {
    throw std::runtime_error(falhaCarga + e.code().message());
  }
  Tabela tabela;
  if (conteudo) {
    try {
      tabela = InterpretarPacote(*conteudo);
    } catch (const std::exception& e) {
      throw std::runtime_error(falhaCarga + e.what());
    }
  }

  estado_->arquivo = arquivo;
  estado_->trava = trava;
  estado_->tabela = std::move(tabela);
  estado_->conteudoConhecido = std::move(conteudo);
  estado_->aberto = true;
}

namespace {

// The entry of the pair, or nullptr. The pair is compared as the columns would hold it, but
// whole: a key longer than its column matches nothing.
const Tabela::value_type* Achar(const Tabela& tabela, const std::string& chave, const std::string& tipo) {
  Tabela::const_iterator achado;
  if (Simples(chave) && Simples(tipo)) {
    achado = tabela.find(ParVisto(chave, tipo));
  } else {
    const std::string k = ValorDeColuna(chave, std::string::npos), t = ValorDeColuna(tipo, std::string::npos);
    achado = tabela.find(ParVisto(k, t));
  }
  return achado == tabela.end() ? nullptr : &*achado;
}

}  // namespace

bool TRegistroEnviados::Localizar(const std::string& chave, const std::string& tipo) const {
  return Achar(estado_->tabela, chave, tipo) != nullptr;
}

std::optional<TEntradaEnviada> TRegistroEnviados::Entrada(const std::string& chave, const std::string& tipo) const {
  const auto* achado = Achar(estado_->tabela, chave, tipo);
  if (!achado) return std::nullopt;
  return TEntradaEnviada{achado->first.chave, achado->first.tipo, achado->second.status, achado->second.descricao};
}

void TRegistroEnviados::Registrar(const std::string& chave, const std::string& tipo, const std::string& status,
                                  const std::string& descricao) {
  auto& e = *estado_;
  const auto [entrada, nova] =
      e.tabela.insert_or_assign(Par{stfEnviadosCHAVE_NFE.Ajustar(chave), stfEnviadosTIPO.Ajustar(tipo)},
                                Resposta{stfEnviadosStatus.Ajustar(status), stfEnviadosDESCRICAO.Ajustar(descricao)});
  if (nova) e.ordem.Acrescentada(&*entrada);
  if (!e.aberto) return;
  e.pendente = true;
  const auto agora = Relogio::now();
  if (e.ultimaGravacao && agora - *e.ultimaGravacao < kIntervaloGravacao) return;
  e.ultimaGravacao = agora;
  try {
    Gravar();
  } catch (const std::exception&) {
    // The entry stays pending: the next write retries it, and Fechar() reports a lasting failure.
  }
}

void TRegistroEnviados::Fechar() {
  auto& e = *estado_;
  if (!e.aberto) return;
  e.aberto = false;
  if (e.pendente || !plataforma::Existe(e.arquivo)) Gravar();
}

// Writes the union of the file and the table under the Work folder's lock, so that processes
// sharing the folder never drop each other's entries; for the same pair the table's answer wins.
void TRegistroEnviados::Gravar() {
  auto& e = *estado_;
  try {
    plataforma::TravaExclusiva trava(e.trava);
    if (auto conteudo = plataforma::LerSeExistir(e.arquivo)) {
      if (conteudo != e.conteudoConhecido) {
        Tabela noDisco;
        try {
          noDisco = InterpretarPacote(*conteudo);
        } catch (const std::exception& falha) {
          throw std::runtime_error(std::string("o arquivo existente é inválido: ") + falha.what());
        }
        e.tabela.merge(noDisco);  // keeps the table's entry where both hold the pair
        e.ordem.Invalidar();
        e.conteudoConhecido = std::move(conteudo);
      }
      if (!e.pendente) return;  // the file already holds every entry of the table
    }
    std::string novo = SerializarPacote(e.ordem.Atual(e.tabela));
    plataforma::SubstituirArquivo(e.arquivo, novo);
    e.conteudoConhecido = std::move(novo);
    e.pendente = false;
  } catch (const std::exception& falha) {
    throw std::runtime_error("Registro de enviados " + e.arquivo + " não pode ser gravado: " + falha.what());
  }
}

bool TRegistroEnviados::Aberto() const { return estado_->aberto; }
size_t TRegistroEnviados::Quantidade() const { return estado_->tabela.size(); }

}  // namespace kiv::run
