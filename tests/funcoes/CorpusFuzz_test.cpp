// Replays the saved fuzz corpora with the ordinary compiler, so an input that once broke the
// command language, the document functions, the job-file loader or the register loader is
// checked on every build.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "../../fuzz/Alvos.h"
#include "../../fuzz/AlvosConfiguracao.h"
#include "../../fuzz/AlvosDocumento.h"
#include "../../fuzz/AlvosRegistro.h"
#include "support/Ambiente.h"

namespace {

using Alvo = std::function<std::string(const uint8_t*, size_t)>;

void Reproduzir(const std::string& nome, const Alvo& alvo) {
  kiv::teste::AmbienteFixo ambiente(kiv::teste::Marco2012(), kiv::teste::RegionalBrasil());
  const std::filesystem::path pasta = std::filesystem::path(KIV_TESTS_DIR) / ".." / "fuzz" / "corpus" / nome;
  ASSERT_TRUE(std::filesystem::is_directory(pasta)) << pasta;
  bool algum = false;
  for (const auto& entrada : std::filesystem::directory_iterator(pasta)) {
    if (!entrada.is_regular_file()) continue;
    algum = true;
    const std::string dados = kiv::teste::LerArquivo(entrada.path().string());
    EXPECT_EQ(alvo(reinterpret_cast<const uint8_t*>(dados.data()), dados.size()), "") << entrada.path();
  }
  EXPECT_TRUE(algum) << "no saved input in " << pasta;
}

TEST(CorpusFuzz, AvaliaExpressao) { Reproduzir("avalia_expressao", kiv::fuzz::ExercitaAvaliaExpressao); }

TEST(CorpusFuzz, PreparaComando) { Reproduzir("prepara_comando", kiv::fuzz::ExercitaPreparaComando); }

TEST(CorpusFuzz, Documento) { Reproduzir("documento", kiv::fuzz::ExercitaDocumento); }

TEST(CorpusFuzz, CarregaSelecao) {
  kiv::teste::PastaTemporaria pasta;
  Reproduzir("carrega_selecao", [&](const uint8_t* dados, size_t tamanho) {
    return kiv::fuzz::ExercitaCarregaSelecao(pasta / "job.xml", dados, tamanho);
  });
}

TEST(CorpusFuzz, Registro) {
  kiv::teste::PastaTemporaria pasta;
  Reproduzir("registro", [&](const uint8_t* dados, size_t tamanho) {
    return kiv::fuzz::ExercitaRegistro(pasta / "Work", dados, tamanho);
  });
}

}  // namespace
