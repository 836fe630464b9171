// The delivered body of every public sample document, under Informix and under the other engines.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <vector>

#include "nfe/Documento.h"
#include "nfe/Tags.h"
#include "support/Ambiente.h"

namespace kiv::nfe {
namespace {

using Xml = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

Xml Ler(const std::string& texto) {
  return Xml(xmlReadMemory(texto.data(), static_cast<int>(texto.size()), "corpo.xml", nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
             &xmlFreeDoc);
}

std::string Atributo(xmlNode* no, const char* nome) {
  xmlChar* v = xmlGetProp(no, reinterpret_cast<const xmlChar*>(nome));
  std::string r = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return r;
}

bool Nome(xmlNode* no, const char* nome) {
  return no->type == XML_ELEMENT_NODE && xmlStrEqual(no->name, reinterpret_cast<const xmlChar*>(nome));
}

// The first element of that name, in document order.
xmlNode* Primeiro(xmlNode* no, const char* nome) {
  for (; no; no = no->next) {
    if (Nome(no, nome)) return no;
    if (xmlNode* achado = Primeiro(no->children, nome)) return achado;
  }
  return nullptr;
}

std::string Conteudo(xmlNode* no) {
  xmlChar* v = xmlNodeGetContent(no);
  std::string r = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return r;
}

// The element from "<Nome" through "</Nome>", by plain search; "" when absent.
std::string Recorte(const std::string& texto, const std::string& nome) {
  const size_t i = texto.find("<" + nome);
  const size_t f = texto.find("</" + nome + ">");
  if (i == std::string::npos || f == std::string::npos) return {};
  return texto.substr(i, f + nome.size() + 3 - i);
}

std::string SemCR(std::string s) {
  std::erase(s, '\r');
  return s;
}

const std::vector<std::string> kNotas = {"nfeProc-2.00-compact.xml", "nfeProc-3.10-indented.xml",
                                         "nfeProc-4.00-indented-inherited-ns.xml", "nfeProc-4.00-indented.xml"};
const std::string kEvento = "procEventoNFe-110111-cancel.xml";

TEST(Fixtures, ChaveDeCadaDocumento) {
  for (const auto& nome : kNotas) {
    const std::string fonte = teste::LerArquivo(teste::Fixture(nome));
    Xml xml = Ler(fonte);
    ASSERT_TRUE(xml) << nome;
    const std::string id = Atributo(Primeiro(xmlDocGetRootElement(xml.get()), "infNFe"), "Id");
    ASSERT_EQ(id.size(), 47u) << nome;
    EXPECT_EQ(ObterChave(NormalizarDocumento(fonte)), id.substr(3)) << nome;
  }
  const std::string fonte = teste::LerArquivo(teste::Fixture(kEvento));
  Xml xml = Ler(fonte);
  ASSERT_TRUE(xml);
  const std::string chNFe = Conteudo(Primeiro(xmlDocGetRootElement(xml.get()), "chNFe"));
  ASSERT_EQ(chNFe.size(), 44u);
  EXPECT_EQ(ObterChave(NormalizarDocumento(fonte)), chNFe);
}

TEST(Fixtures, NfeProcDeCadaNota) {
  for (const auto& nome : kNotas) {
    const std::string fonte = teste::LerArquivo(teste::Fixture(nome));
    Xml original = Ler(fonte);
    ASSERT_TRUE(original) << nome;
    const std::string versao = Atributo(xmlDocGetRootElement(original.get()), "versao");
    const std::string nfeFonte = Recorte(fonte, "NFe");
    const std::string protFonte = Recorte(fonte, "protNFe");
    ASSERT_FALSE(nfeFonte.empty() || protFonte.empty()) << nome;

    for (const bool informix : {false, true}) {
      SCOPED_TRACE(nome + (informix ? " INFORMIX" : " ORACLE"));
      // Informix keeps the NFe and its protocol in two columns; the row's text is both, joined.
      const std::string documento = NormalizarDocumento(informix ? nfeFonte + "\n" + protFonte : fonte);
      const std::string corpo = MontarDocumento(documento, "E", informix);

      Xml xml = Ler(corpo);
      ASSERT_TRUE(xml) << "not well-formed:\n" << corpo;
      xmlNode* raiz = xmlDocGetRootElement(xml.get());
      EXPECT_TRUE(Nome(raiz, "nfeProc"));
      ASSERT_TRUE(raiz->ns);
      EXPECT_STREQ(reinterpret_cast<const char*>(raiz->ns->href), "http://www.portalfiscal.inf.br/nfe");
      EXPECT_EQ(Atributo(raiz, "versao"), versao);
      ASSERT_TRUE(Primeiro(raiz, "Signature"));

      // The NFe, signature included, and the protocol are the source's own characters.
      const std::string inicio = "<nfeProc versao=\"" + versao + "\" xmlns=\"http://www.portalfiscal.inf.br/nfe\">";
      const std::string nfe = Recorte(documento, "NFe");
      EXPECT_EQ(SemCR(nfe), nfeFonte);
      std::string esperado = inicio + nfe;
      if (informix)
        esperado += std::string(11, ' ') + "<protNFe versao=\"" + versao + "\">" + Recorte(documento, "infProt") +
                    std::string(11, ' ') + "</protNFe>";
      else
        esperado += Recorte(documento, "protNFe");
      EXPECT_EQ(corpo, esperado + "</nfeProc>");
      EXPECT_EQ(Conteudo(Primeiro(raiz, "chNFe")), ObterChave(documento));

      EXPECT_EQ(MontarDocumento(documento, "C", informix), "");
    }
  }
}

TEST(Fixtures, ProcEventoNFe) {
  const std::string fonte = teste::LerArquivo(teste::Fixture(kEvento));
  const std::string documento = NormalizarDocumento(fonte);
  const std::string elemento = Recorte(documento, "procEventoNFe");
  ASSERT_FALSE(elemento.empty());
  EXPECT_EQ(SemCR(elemento), Recorte(fonte, "procEventoNFe"));
  for (const bool informix : {false, true}) {
    const std::string corpo = MontarDocumento(documento, "C", informix);
    EXPECT_EQ(corpo, elemento);
    EXPECT_TRUE(Ler(corpo));
  }
  EXPECT_EQ(MontarDocumento(documento, "E", false), "");
}

}  // namespace
}  // namespace kiv::nfe
