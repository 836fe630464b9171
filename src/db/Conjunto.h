#pragma once
// The rows of one query, held whole in memory in their order, read by field name as text.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::db {

class Conjunto {
 public:
  using Valor = std::optional<std::string>;  // std::nullopt is SQL NULL
  using Linha = std::vector<Valor>;

  Conjunto() = default;
  Conjunto(std::vector<std::string> campos, std::vector<Linha> linhas);

  const std::vector<std::string>& Campos() const { return campos_; }
  size_t ContaRegistros() const { return linhas_.size(); }
  bool Vazio() const { return linhas_.empty(); }

  // Cursor over the rows.
  void Primeiro() { atual_ = 0; }
  void Proximo() { if (atual_ < linhas_.size()) ++atual_; }
  bool Eof() const { return atual_ >= linhas_.size(); }

  // The current row's value of field `nome`, found without regard to letter case; NULL reads as
  // "". A field the query does not have throws ErroBanco naming it.
  std::string Campo(std::string_view nome) const;

  // Index of a field by name (case-insensitive), or -1.
  int IndiceCampo(std::string_view nome) const;

 private:
  std::vector<std::string> campos_;
  std::vector<Linha> linhas_;
  size_t atual_ = 0;
};

}  // namespace kiv::db
