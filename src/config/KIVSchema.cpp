#include "config/KIVSchema.h"

namespace kiv::config {

// Placeholders until the configuration document lands.
std::shared_ptr<IXMLTSelecao> CarregarSelecao(const std::string& caminho) {
  throw ErroConfiguracao("Configuração não suportada: " + caminho);
}
std::shared_ptr<IXMLTSelecao> NovaSelecao() { return nullptr; }

}  // namespace kiv::config
