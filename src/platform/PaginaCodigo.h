#pragma once
// The ANSI code page: the single-byte code page of the document files and of legacy text.
// Text inside the package is UTF-8; these functions cross to and from that code page.
#include <optional>
#include <string>
#include <string_view>

namespace kiv::plataforma {

// UTF-8 to the ANSI code page. A character the code page cannot hold, or a byte that is not
// valid UTF-8, becomes "?".
std::string ParaAnsi(std::string_view utf8);

// ANSI code page bytes to UTF-8. A byte the code page leaves undefined becomes "?".
std::string DeAnsi(std::string_view ansi);

// Bytes in the named charset (an iconv name) to UTF-8, an unconvertible byte becoming "?";
// std::nullopt when the charset is unknown.
std::optional<std::string> DeCharset(std::string_view bytes, const std::string& charset);

// Whether every byte is ASCII (below 0x80).
bool SoAscii(std::string_view bytes);

// Whether the bytes are well-formed UTF-8.
bool Utf8Valido(std::string_view bytes);

// Names the code page (an iconv name, "WINDOWS-1252" by default); for tests.
void FixarPaginaCodigo(std::string nome);
std::string NomePaginaCodigo();

}  // namespace kiv::plataforma
