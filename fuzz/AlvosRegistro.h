#pragma once
// What the fuzz target feeds the register loader, shared by the libFuzzer program and the test
// that replays the saved corpus: the input is the day's register file of a Work folder. A file
// that is not a register fails with its one message; one that loads is saved with one more entry
// and loads again with it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "run/RegistroEnviados.h"

namespace kiv::fuzz {

// `work` is a scratch Work folder.
inline std::string ExercitaRegistro(const std::string& work, const uint8_t* dados, size_t tamanho) {
  const std::string arquivo = work + "/NfeEnvVW_20120315.xml";
  std::error_code ec;
  std::filesystem::create_directories(work, ec);
  if (std::FILE* f = std::fopen(arquivo.c_str(), "wb")) {
    const bool escrito = std::fwrite(dados, 1, tamanho, f) == tamanho;
    if (std::fclose(f) != 0 || !escrito) return "cannot write " + arquivo;
  } else {
    return "cannot write " + arquivo;
  }
  const std::string chave = "35120300000000000000550010000000011000000017";
  try {
    size_t antes = 0;
    bool havia = false;
    {
      run::TRegistroEnviados registro;
      try {
        registro.Preparar(work, arquivo);
      } catch (const std::runtime_error& e) {
        const std::string esperado = "Registro de enviados " + arquivo + " não pode ser carregado: ";
        if (std::string(e.what()).rfind(esperado, 0) != 0) return std::string("unexpected failure: ") + e.what();
        return {};
      }
      antes = registro.Quantidade();
      havia = registro.Localizar(chave, "E");
      registro.Registrar(chave, "E", "100", "Autorizado o uso da NF-e");
      registro.Fechar();
    }
    run::TRegistroEnviados depois;
    depois.Preparar(work, arquivo);
    if (depois.Quantidade() != antes + (havia ? 0 : 1))
      return "saved with " + std::to_string(antes) + " entries, loads with " + std::to_string(depois.Quantidade());
    if (!depois.Localizar(chave, "E")) return "the new entry did not survive the save";
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
  return {};
}

}  // namespace kiv::fuzz
