#include "support/BancoFirebird.h"

namespace kiv::teste {

BancoFirebird::BancoFirebird(std::string caminho, const std::string& conjuntoPadrao, std::string usuario,
                             std::string senha)
    : caminho_(std::move(caminho)), usuario_(std::move(usuario)), senha_(std::move(senha)) {
  parametros_.banco = caminho_;
  parametros_.usuario = usuario_;
  parametros_.senha = senha_;
  sessao_ = db::SessaoFirebird::CriarBanco(parametros_, conjuntoPadrao);
}

db::SessaoFirebird& BancoFirebird::Sessao() {
  if (!sessao_) sessao_ = db::SessaoFirebird::Abrir(parametros_);
  return *sessao_;
}

void BancoFirebird::Executar(const std::string& sql) { Sessao().Executar(sql); }

void BancoFirebird::Executar(const std::string& sql, const Valores& valores) { Sessao().Executar(sql, valores); }

void BancoFirebird::Inserir(const std::string& tabela, const std::vector<std::string>& colunas,
                            const std::vector<Valores>& linhas) {
  std::string nomes, marcas;
  for (const auto& c : colunas) {
    nomes += (nomes.empty() ? "" : ", ") + c;
    marcas += marcas.empty() ? "?" : ", ?";
  }
  const std::string sql = "INSERT INTO " + tabela + " (" + nomes + ") VALUES (" + marcas + ")";
  Sessao().ExecutarLote(sql, linhas);
}

db::Conjunto BancoFirebird::Consultar(const std::string& sql) { return Sessao().Consultar(sql); }

void BancoFirebird::Desligar() { sessao_.reset(); }

}  // namespace kiv::teste
