#pragma once
// A shared library loaded at run time (dlopen), closed with its owner.
#include <string>

namespace kiv::plataforma {

class Biblioteca {
 public:
  // Loads the library at `caminho`; throws std::runtime_error with the loader's message.
  explicit Biblioteca(const std::string& caminho);
  ~Biblioteca();
  Biblioteca(Biblioteca&& outra) noexcept;
  Biblioteca& operator=(Biblioteca&& outra) noexcept;
  Biblioteca(const Biblioteca&) = delete;
  Biblioteca& operator=(const Biblioteca&) = delete;

  // The address of an exported symbol, or nullptr.
  void* Simbolo(const char* nome) const;

 private:
  void* handle_ = nullptr;
};

// The folder of the running program's own binary.
std::string PastaDoExecutavel();

}  // namespace kiv::plataforma
