#pragma once
// Document files: UTF-8 text written in, and read back from, the ANSI code page.
#include <string>
#include <string_view>

namespace kiv::plataforma {

// Creates or overwrites `caminho` with the text in the ANSI code page, without byte-order mark.
// The folder is not created. Throws std::runtime_error naming the file and the reason.
void GravarTextoAnsi(const std::string& caminho, const std::string& texto);

// Reads a text file (encoding from its byte-order mark, UTF-8 or UTF-16, else the ANSI code page)
// and returns its lines joined again with CR LF after every line; a NUL character ends the text.
// Throws std::runtime_error naming the file.
std::string LerTextoComLinhasCRLF(const std::string& caminho);

// Lines split at CR LF, CR or LF and joined again with CR LF after every line, the last one too.
std::string JuntarLinhasCRLF(std::string_view texto);

}  // namespace kiv::plataforma
