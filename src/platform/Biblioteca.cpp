#include "platform/Biblioteca.h"

#include <dlfcn.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace kiv::plataforma {
namespace {

// Under AddressSanitizer the leak check runs at exit, after the library is closed. Kept mapped,
// its globals (and those of the libraries it brought in) still count as references, and its
// frames keep their names in a report.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kManterCarregada = RTLD_NODELETE;
#else
constexpr int kManterCarregada = 0;
#endif

}  // namespace

Biblioteca::Biblioteca(const std::string& caminho)
    : handle_(dlopen(caminho.c_str(), RTLD_NOW | RTLD_LOCAL | kManterCarregada)) {
  if (!handle_) {
    const char* erro = dlerror();
    throw std::runtime_error(erro ? erro : ("cannot load " + caminho));
  }
}

Biblioteca::~Biblioteca() {
  if (handle_) dlclose(handle_);
}

Biblioteca::Biblioteca(Biblioteca&& outra) noexcept : handle_(std::exchange(outra.handle_, nullptr)) {}

Biblioteca& Biblioteca::operator=(Biblioteca&& outra) noexcept {
  if (this != &outra) {
    if (handle_) dlclose(handle_);
    handle_ = std::exchange(outra.handle_, nullptr);
  }
  return *this;
}

void* Biblioteca::Simbolo(const char* nome) const { return handle_ ? dlsym(handle_, nome) : nullptr; }

std::string PastaDoExecutavel() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".";
  std::string caminho(buffer, static_cast<size_t>(n));
  const auto barra = caminho.find_last_of('/');
  return barra == std::string::npos ? "." : caminho.substr(0, barra);
}

}  // namespace kiv::plataforma
