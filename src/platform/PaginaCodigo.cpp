#include "platform/PaginaCodigo.h"

#include "comum/Texto.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace kiv::plataforma {
namespace {

constexpr uint64_t kBitsAltos = 0x8080808080808080ULL;

// The end of the run of ASCII bytes that starts at `i`, eight bytes at a time: documents are
// mostly ASCII.
size_t FimAscii(std::string_view s, size_t i) {
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t x;
    std::memcpy(&x, s.data() + i, sizeof x);
    if (x & kBitsAltos) break;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}

std::mutex g_mutex;
std::string g_nome = "WINDOWS-1252";

// Owns one iconv conversion descriptor.
class Conversor {
 public:
  Conversor(const std::string& para, const std::string& de) : cd_(iconv_open(para.c_str(), de.c_str())) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("Página de código não suportada: " + (para == "UTF-8" ? de : para));
  }
  ~Conversor() { iconv_close(cd_); }
  Conversor(const Conversor&) = delete;
  Conversor& operator=(const Conversor&) = delete;

  // Converts `entrada`, replacing every unconvertible unit (of `passo` bytes at most) by "?".
  std::string Converter(std::string_view entrada, bool entradaUtf8) {
    std::string saida;
    saida.reserve(entrada.size() + entrada.size() / 2 + 16);
    char* in = const_cast<char*>(entrada.data());
    size_t inLeft = entrada.size();
    char buffer[4096];
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
      char* out = buffer;
      size_t outLeft = sizeof buffer;
      const size_t r = iconv(cd_, &in, &inLeft, &out, &outLeft);
      saida.append(buffer, out - buffer);
      if (r != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: one character cannot be converted; skip it and write "?".
      size_t pular = 1;
      if (entradaUtf8) {
        const auto c = static_cast<unsigned char>(*in);
        const size_t esperado = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        pular = 1;
        while (pular < esperado && pular < inLeft &&
               (static_cast<unsigned char>(in[pular]) & 0xC0) == 0x80)
          ++pular;
      }
      in += pular;
      inLeft -= pular;
      saida += '?';
    }
    return saida;
  }

 private:
  iconv_t cd_;
};

// Windows-1252, the default, is converted by table: every row of a run goes through it twice, and
// the table is several times faster than iconv. 0 marks the five bytes the code page leaves out.
constexpr char16_t kAlto1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool EhWindows1252(const std::string& nome) { return nome == "WINDOWS-1252" || nome == "CP1252"; }

std::string DeWindows1252(std::string_view ansi) {
  std::string saida;
  saida.reserve(ansi.size() + ansi.size() / 8);
  for (size_t i = 0; i < ansi.size(); ++i) {
    const size_t j = FimAscii(ansi, i);
    saida.append(ansi.data() + i, j - i);  // runs of ASCII in one go
    if (j == ansi.size()) break;
    i = j;
    const auto b = static_cast<unsigned char>(ansi[i]);
    if (b >= 0xA0) AnexarUtf8(saida, b);
    else if (const char16_t cp = kAlto1252[b - 0x80]) AnexarUtf8(saida, cp);
    else saida += '?';
  }
  return saida;
}

char ByteWindows1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i)
    if (kAlto1252[i] && kAlto1252[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

std::string ParaWindows1252(std::string_view utf8) {
  std::string saida;
  saida.reserve(utf8.size());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      // Runs of ASCII are copied in one go.
      const size_t j = FimAscii(utf8, i);
      saida.append(utf8.data() + i, j - i);
      i = j;
      continue;
    }
    size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (len == 0 || i + len > n || !Utf8Valido(utf8.substr(i, len))) {
      // A broken sequence: skip its lead byte and any continuation bytes that follow it.
      size_t pular = 1;
      while (i + pular < n && pular < 4 && (static_cast<unsigned char>(utf8[i + pular]) & 0xC0) == 0x80) ++pular;
      saida += '?';
      i += pular;
      continue;
    }
    char32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    saida += ByteWindows1252(cp);
    i += len;
  }
  return saida;
}

}  // namespace

std::string ParaAnsi(std::string_view utf8) {
  const std::string nome = NomePaginaCodigo();
  if (EhWindows1252(nome)) return ParaWindows1252(utf8);
  Conversor c(nome, "UTF-8");
  return c.Converter(utf8, true);
}

std::string DeAnsi(std::string_view ansi) {
  const std::string nome = NomePaginaCodigo();
  if (EhWindows1252(nome)) return DeWindows1252(ansi);
  Conversor c("UTF-8", nome);
  return c.Converter(ansi, false);
}

std::optional<std::string> DeCharset(std::string_view bytes, const std::string& charset) {
  std::optional<Conversor> c;
  try {
    c.emplace("UTF-8", charset);
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
  return c->Converter(bytes, false);
}

bool SoAscii(std::string_view bytes) { return FimAscii(bytes, 0) == bytes.size(); }

bool Utf8Valido(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    i = FimAscii(s, i);
    if (i == n) break;
    const auto c = static_cast<unsigned char>(s[i]);
    size_t len;
    unsigned cp;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
    else return false;
    if (i + len > n) return false;
    for (size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += len;
  }
  return true;
}

void FixarPaginaCodigo(std::string nome) {
  std::lock_guard lock(g_mutex);
  g_nome = nome.empty() ? "WINDOWS-1252" : std::move(nome);
}

std::string NomePaginaCodigo() {
  std::lock_guard lock(g_mutex);
  return g_nome;
}

}  // namespace kiv::plataforma
