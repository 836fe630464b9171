#pragma once
// File-system calls the register needs: folders, whole-file reads, crash-safe replacement of a
// file and an exclusive lock shared with other processes. Failures are std::system_error whose
// message names the path and the system's reason.
#include <optional>
#include <string>
#include <string_view>

namespace kiv::plataforma {

// The folder part of a path: up to its last "/" ("/" for a file at the root, "." without a "/").
std::string PastaDe(const std::string& caminho);

// Creates the folder together with any missing parent folders; an existing folder is fine.
void CriarPastas(const std::string& pasta);

// Proves that files can be created in the folder: creates a probe file and removes it.
void ProvarEscrita(const std::string& pasta);

// Whether something exists at the path (a broken symbolic link counts as absent).
bool Existe(const std::string& caminho);

// The whole content of a file, or std::nullopt when there is no file at the path.
std::optional<std::string> LerSeExistir(const std::string& caminho);

// Replaces the file with `conteudo` so that a crash or a full disk leaves either the old file or
// the whole new one: writes `caminho` + ".tmp", flushes it to disk, renames it over the file and
// flushes the folder. Writers of the same file must be serialised (TravaExclusiva); the temporary
// name is fixed so that a writer killed half-way leaves no more than one stale file behind.
void SubstituirArquivo(const std::string& caminho, std::string_view conteudo);

// An exclusive flock on a lock file (created when missing), held for the object's life. It
// excludes other processes and other holders in this process alike.
class TravaExclusiva {
 public:
  explicit TravaExclusiva(const std::string& caminho);  // blocks until the lock is granted
  ~TravaExclusiva();
  TravaExclusiva(TravaExclusiva&& outra) noexcept;
  TravaExclusiva& operator=(TravaExclusiva&& outra) noexcept;
  TravaExclusiva(const TravaExclusiva&) = delete;
  TravaExclusiva& operator=(const TravaExclusiva&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace kiv::plataforma
