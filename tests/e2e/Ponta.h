#pragma once
// What the end-to-end tests share: the sample documents and their variations, one stand-in web
// service per test program, a job file writer, the run log with every document text shortened
// to its name, the expected diagnostic blocks, the deliveries the stand-in received and the
// pairs of the day's register file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "comum/Texto.h"
#include "nfe/Documento.h"
#include "nfe/Tags.h"
#include "support/Ambiente.h"
#include "support/BancoFirebird.h"
#include "support/ServicoSimulado.h"

namespace kiv::e2e {

using Linhas = std::vector<std::string>;
using Par = std::pair<std::string, std::string>;  // access key, kind
using Pares = std::set<Par>;

// Access keys of the sample documents.
inline const std::string K200 = "11101284613439000180550010000004881093997017";
inline const std::string K310 = "35170358716523000119550010000000301000000300";
inline const std::string K400 = "41170706117473000150550010000463201612756527";
inline const std::string K400i = "43180906929383000163550010000000261000010301";
inline const std::string KEvento = "42200310845180000166550010000016291182910233";

inline std::string Amostra(const std::string& nome) { return teste::LerArquivo(teste::Fixture(nome)); }
inline std::string N200() { return Amostra("nfeProc-2.00-compact.xml"); }
inline std::string N310() { return Amostra("nfeProc-3.10-indented.xml"); }
inline std::string N400() { return Amostra("nfeProc-4.00-indented.xml"); }
inline std::string N400i() { return Amostra("nfeProc-4.00-indented-inherited-ns.xml"); }
inline std::string Evento() { return Amostra("procEventoNFe-110111-cancel.xml"); }
// An invoice stored together with its cancellation event, as a dealer keeps it: the sample
// event made the event of that invoice (key K400).
inline std::string N400ComEvento() { return N400() + "\n" + SubstituirTodos(Evento(), KEvento, K400, false); }

// The element `tag` of a text, start tag through end tag ("" when absent).
inline std::string Elemento(const std::string& texto, const std::string& tag) {
  const size_t a = texto.find("<" + tag);
  const size_t b = texto.find("</" + tag + ">", a);
  if (a == std::string::npos || b == std::string::npos) return "";
  return texto.substr(a, b + tag.size() + 3 - a);
}

// The sentence every accepted delivery logs.
inline const std::string kAceito = "Lote recebido com sucesso";

// One stand-in (http only) per test program, back at its start-up state for every caller.
inline teste::ServicoSimulado& Servico() {
  static teste::ServicoSimulado servico;
  servico.Limpar();
  return servico;
}

// The deliveries the stand-in received, as (key, kind): the kind told by the body it carried.
inline std::vector<Par> Entregas(const teste::ServicoSimulado& servico) {
  std::vector<Par> r;
  for (const auto& q : servico.Requisicoes()) {
    const bool evento = q.corpo.find("<aak:NFe><procEventoNFe") != std::string::npos;
    r.emplace_back(nfe::ObterChave(q.corpo), evento ? "C" : "E");
  }
  return r;
}

// 1-based character position of the first occurrence, 0 when absent.
inline size_t Pos(const std::string& texto, const std::string& marcador) {
  const size_t p = texto.find(marcador);
  return p == std::string::npos ? 0 : ContaCaracteres(texto.substr(0, p)) + 1;
}

inline std::string Bool(bool v) { return v ? "True" : "False"; }

// The three lines of one delivery.
inline Linhas Envio(const std::string& chave, const std::string& url, const std::string& codigo = "100",
                    const std::string& descricao = kAceito) {
  return {"Enviando Nfe: " + chave, "Url: " + url,
          "Nfe ENVIO: " + chave + " - Transmissão SOAP: Cod.[" + codigo + "] - Desc.[" + descricao + "]"};
}

inline void Mais(Linhas& a, const Linhas& b) { a.insert(a.end(), b.begin(), b.end()); }

// How many lines begin with `prefixo`.
inline size_t Quantas(const Linhas& linhas, const std::string& prefixo) {
  return std::count_if(linhas.begin(), linhas.end(), [&](const auto& l) { return l.rfind(prefixo, 0) == 0; });
}

// A document of a job: its short name in the summarised log, and its text as the run holds it.
struct Documento {
  std::string nome;
  std::string texto;  // after the run's normalisation
  std::string chave;
};

class Ponta : public ::testing::Test {
 protected:
  // Names a column text; the summarised log shows "{nome}" wherever the run logs its text.
  Documento Doc(const std::string& nome, const std::string& coluna, const std::string& chave) {
    Documento d{nome, nfe::NormalizarDocumento(coluna), chave};
    if (!d.texto.empty()) nomes_[d.texto] = nome;
    return d;
  }

  struct Job {
    std::string banco = "FIREBIRD";
    std::string dataBase;
    std::string execute = "SELECT ID, NUMERO, XML# FROM NFE ORDER BY ID";
    std::string tipo = "Memoria";
    std::string dados = "XML";
    std::string destino;
    std::string mascara;
    std::string url;
  };
  std::string EscreverJob(const Job& j) {
    const std::string caminho = pasta / "job.xml";
    teste::EscreverArquivo(caminho, R"(<?xml version="1.0" encoding="UTF-8"?>
<Selecao xmlns="urn:kivxmlvw:selecao">
  <Origem>
    <Banco><Tipo>)" + j.banco + "</Tipo><Host>dms</Host><DataBase>" + j.dataBase +
                                          R"(</DataBase><User>SYSDBA</User><Passwd>masterkey</Passwd></Banco>
    <Execute><![CDATA[)" + j.execute + R"(]]></Execute>
    <Result><Tipo>)" + j.tipo + "</Tipo><Dados>" + j.dados + "</Dados><Destino>" + j.destino +
                                          "</Destino><Mascara>" + j.mascara + R"(</Mascara></Result>
  </Origem>
  <Destino><Soap><Url>)" + j.url + R"(</Url></Soap></Destino>
</Selecao>)");
    return caminho;
  }

  // The run's own lines from a framed log (lines ended by CR LF), every named document text
  // replaced by "{name}" (longest first, since one text may begin with another).
  Linhas Resumir(std::string log) const {
    std::vector<std::pair<std::string, std::string>> nomes(nomes_.begin(), nomes_.end());
    std::sort(nomes.begin(), nomes.end(), [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    for (const auto& [texto, nome] : nomes) log = SubstituirTodos(log, texto, "{" + nome + "}", false);
    Linhas linhas;
    for (size_t p = 0; p < log.size();) {
      const size_t q = log.find("\r\n", p);
      if (q == std::string::npos) {
        ADD_FAILURE() << "the log does not end with CR LF";
        break;
      }
      linhas.push_back(log.substr(p, q - p));
      p = q + 2;
    }
    const bool moldura = linhas.size() >= 4 && linhas[0].empty() && linhas[1] == std::string(51, '-') &&
                         linhas[2].rfind("Iniciando transferência de arquivos: ", 0) == 0 &&
                         linhas.back().rfind("Finalizando transferência de arquivos: ", 0) == 0;
    EXPECT_TRUE(moldura) << log;
    if (!moldura) return linhas;
    return Linhas(linhas.begin() + 3, linhas.end() - 1);
  }

  // The diagnostic block of a row on the in-memory path.
  static Linhas BlocoMemoria(const Documento& d, bool registradoE, const std::string& banco = "FIREBIRD") {
    return {"Montou xml em memória: " + (d.texto.empty() ? "" : "{" + d.nome + "}"),
            "Banco: " + banco,
            "---- Dados do xml ----",
            "      Tag <infProt: " + std::to_string(Pos(d.texto, "<infProt")),
            "      Tag <veicProd: " + std::to_string(Pos(d.texto, "<veicProd")),
            "      Tag <procCancNFe: " + std::to_string(Pos(d.texto, "<procCancNFe")),
            "      Chave: " + d.chave,
            "      NFE tipo E: " + Bool(registradoE),
            "---- fim dados xml----"};
  }

  // The names line and the diagnostic block of a row on the file path.
  static Linhas BlocoArquivo(const std::string& pastaDestino, const std::string& nome, const Documento& d,
                             bool registradoC = false, bool registradoE = false) {
    return {"Montou nome do arquivo[" + pastaDestino + "/e_" + nome + "] e [" + pastaDestino + "/c_" + nome + "]",
            "Montou xml em memória: {" + d.nome + "}",
            "---- Dados do xml ----",
            "      Tag <infProt: " + std::to_string(Pos(d.texto, "<infProt")),
            "      Tag <procEventoNFe: " + std::to_string(Pos(d.texto, "<procEventoNFe")),
            "      Chave: " + d.chave,
            "      NFE tipo C: " + Bool(registradoC),
            "      NFE tipo E: " + Bool(registradoE),
            "---- fim dados xml----"};
  }

  // The pairs of the register file of the run's day (exactly one file in the Work folder).
  Pares Registro() const {
    std::vector<std::string> arquivos;
    if (teste::Existe(pasta / "Work"))
      for (const auto& e : std::filesystem::directory_iterator(pasta / "Work"))
        if (e.path().filename().string().rfind("NfeEnvVW_", 0) == 0) arquivos.push_back(e.path().string());
    if (arquivos.size() != 1) {
      ADD_FAILURE() << arquivos.size() << " register files";
      return {};
    }
    const std::string texto = teste::LerArquivo(arquivos[0]);
    static const std::regex linha(R"re(<ROW CHAVE_NFE="([^"]*)" TIPO="([^"]*)")re");
    Pares pares;
    for (std::sregex_iterator i(texto.begin(), texto.end(), linha), fim; i != fim; ++i)
      EXPECT_TRUE(pares.emplace((*i)[1], (*i)[2]).second) << "the pair is in the register twice";
    return pares;
  }

  teste::PastaTemporaria pasta;

 private:
  std::map<std::string, std::string> nomes_;
};

// A job on an embedded Firebird database made by the test, run by the host program.
class PontaFirebird : public Ponta {
 public:
  struct Linha {
    std::string numero;
    std::optional<std::string> xml;  // std::nullopt is NULL
  };

 protected:
  // The dealer's table NFE (ID from 1 in the given order, NUMERO, XML).
  void Banco(const std::vector<Linha>& linhas) {
    teste::BancoFirebird banco(pasta / "dms.fdb", "UTF8");
    banco.Executar("CREATE TABLE NFE (ID INTEGER NOT NULL PRIMARY KEY, NUMERO VARCHAR(20), "
                   "XML BLOB SUB_TYPE TEXT CHARACTER SET UTF8)");
    std::vector<teste::BancoFirebird::Valores> valores;
    for (const auto& l : linhas) valores.push_back({std::to_string(valores.size() + 1), l.numero, l.xml});
    banco.Inserir("NFE", {"ID", "NUMERO", "XML"}, valores);
    banco.Desligar();
  }

  Job NovoJob(const std::string& url) {
    Job j;
    j.dataBase = pasta / "dms.fdb";
    j.url = url;
    return j;
  }

  struct Resultado {
    int status = -1;  // the host program's exit status
    Linhas linhas;    // summarised
  };
  Resultado Rodar(const std::string& job) {
    Resultado r;
    const std::string log = teste::Rodar("'" KIV_HOST_PATH "' '" + job + "'", r.status);
    r.linhas = Resumir(log);
    return r;
  }
};

}  // namespace kiv::e2e
