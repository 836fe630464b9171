#include "db/Conjunto.h"

#include "comum/Texto.h"
#include "db/ErroBanco.h"

namespace kiv::db {

Conjunto::Conjunto(std::vector<std::string> campos, std::vector<Linha> linhas)
    : campos_(std::move(campos)), linhas_(std::move(linhas)) {}

int Conjunto::IndiceCampo(std::string_view nome) const {
  for (size_t i = 0; i < campos_.size(); ++i)
    if (IgualSemCaso(campos_[i], nome)) return static_cast<int>(i);
  return -1;
}

std::string Conjunto::Campo(std::string_view nome) const {
  const int i = IndiceCampo(nome);
  if (i < 0) throw ErroBanco("Field '" + std::string(nome) + "' not found");
  if (Eof()) return {};
  const Valor& v = linhas_[atual_][static_cast<size_t>(i)];
  return v ? *v : std::string();
}

}  // namespace kiv::db
