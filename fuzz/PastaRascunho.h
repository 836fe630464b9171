#pragma once
// A scratch folder for the fuzz targets that need files: in memory (/dev/shm) when there is one,
// since a target writes a file on every input; removed when the fuzzer ends.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace kiv::fuzz {

inline std::string PastaRascunho() {
  // Never freed: the exit handler that removes the folder still needs its name.
  static const std::string* const pasta = [] {
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    auto* modelo = new std::string((base / "kivfuzz-XXXXXX").string());
    if (!mkdtemp(modelo->data())) throw std::runtime_error("mkdtemp failed");
    return modelo;
  }();
  static const bool removerNoFim = [] {
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(*pasta, ec);
    });
    return true;
  }();
  (void)removerNoFim;
  return *pasta;
}

}  // namespace kiv::fuzz
