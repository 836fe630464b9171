// The arithmetic of "@" groups: a reader of + - * / with parentheses and signs that works on the
// characters of the text with one character of look-ahead, and the number formatting it answers
// with.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "db/KIVFuncoes.h"
#include "platform/Regional.h"

namespace kiv::db {
namespace {

constexpr int kNiveisMaximos = 1000;
constexpr char32_t kFim = U'\t';  // the end of the text reads as a tab, so a tab ends it too

// Reading state of one evaluation. The grammar is the classic recursive one (expression, term,
// factor), but it runs on an explicit stack: each "(" pushes the running sum and product of the
// level it interrupts, so deep nesting costs heap, never the host's stack.
class Leitor {
 public:
  explicit Leitor(std::string_view texto) : texto_(texto) {}

  double Avaliar() {
    struct Nivel {
      double soma = 0;
      char opSoma = 0;     // '+' or '-' waiting for the term being read; 0 for the first term
      double produto = 0;
      char opProduto = 0;  // '*' or '/' waiting for the factor being read; 0 for the first factor
      bool negar = false;  // the signs written before this "("
      int sinais = 0;      // how many of them, as they count as levels
    };
    std::vector<Nivel> pilha(1);
    int niveis = 0;

    for (;;) {
      // Factor: its signs, then a number, a "(" or anything else (which reads as 0).
      Proximo();
      bool negar = false;
      int sinais = 0;
      while (atual_ == U'+' || atual_ == U'-') {
        negar ^= atual_ == U'-';
        ++sinais;
        Subir(niveis);
        Proximo();
      }
      if (atual_ == U'(') {
        Subir(niveis);
        pilha.push_back(Nivel{0, 0, 0, 0, negar, sinais});
        continue;
      }
      double valor = 0;
      if (atual_ >= U'0' && atual_ <= U'9') valor = LerNumero();
      if (negar) valor = -valor;
      niveis -= sinais;

      // Fold the factor into its term and the term into its expression; a complete expression
      // inside parentheses is itself the factor of the level below.
      for (;;) {
        Nivel& n = pilha.back();
        if (n.opProduto == '*') {
          n.produto *= valor;
        } else if (n.opProduto == '/') {
          if (valor == 0) throw std::runtime_error("Divisão por zero na expressão: " + std::string(texto_));
          n.produto /= valor;
        } else {
          n.produto = valor;
        }
        if (atual_ == U'*' || atual_ == U'/') {
          n.opProduto = static_cast<char>(atual_);
          break;
        }
        n.opProduto = 0;
        if (n.opSoma == '+') n.soma += n.produto;
        else if (n.opSoma == '-') n.soma -= n.produto;
        else n.soma = n.produto;
        if (atual_ == U'+' || atual_ == U'-') {
          n.opSoma = static_cast<char>(atual_);
          break;
        }
        if (pilha.size() == 1) return n.soma;
        // Whatever character follows the inner expression is taken as its ")".
        valor = n.negar ? -n.soma : n.soma;
        niveis -= 1 + n.sinais;
        pilha.pop_back();
        Proximo();
      }
    }
  }

 private:
  static void Subir(int& niveis) {
    if (++niveis > kNiveisMaximos) throw std::runtime_error("Expressão aninhada demais");
  }

  // The next character that is not a blank; kFim past the end. Characters are code points, so
  // a letter outside ASCII is one character wherever one character is consumed.
  void Proximo() {
    do {
      if (pos_ >= texto_.size()) {
        atual_ = kFim;
        return;
      }
      const auto b = static_cast<unsigned char>(texto_[pos_++]);
      if (b < 0x80) {
        atual_ = b;
      } else {
        const size_t extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        for (size_t i = 0; i < extra && pos_ < texto_.size() &&
                           (static_cast<unsigned char>(texto_[pos_]) & 0xC0) == 0x80;
             ++i)
          ++pos_;
        atual_ = 0x80;  // any value outside ASCII: it is never an operator or a digit
      }
    } while (atual_ == U' ');
  }

  // A digit, then every following digit or point; leaves the first character that is neither.
  double LerNumero() {
    std::string numero(1, static_cast<char>(atual_));
    for (;;) {
      Proximo();
      if ((atual_ >= U'0' && atual_ <= U'9') || atual_ == U'.') numero += static_cast<char>(atual_);
      else break;
    }
    return TextoParaNumero(numero);
  }

  std::string_view texto_;
  size_t pos_ = 0;
  char32_t atual_ = kFim;
};

// Digits of a non-negative finite value with `casas` decimals, halves away from zero, "." as
// the point. The value is first written exactly (every double is a finite binary fraction), so
// the rounding looks at the true digits and not at a shorter, already rounded form.
std::string ArredondarDecimal(double valor, int casas) {
  int expoente = 0;
  std::frexp(valor, &expoente);
  // valor is a multiple of 2^(expoente-53) (of 2^-1074 at least), which has as many decimals.
  const int exatas = std::min(1074, std::max(0, 53 - expoente));
  const int escritas = std::max(casas + 1, exatas);
  std::string texto(320 + static_cast<size_t>(escritas), '\0');
  const auto r = std::to_chars(texto.data(), texto.data() + texto.size(), valor, std::chars_format::fixed, escritas);
  texto.resize(static_cast<size_t>(r.ptr - texto.data()));

  const size_t ponto = texto.find('.');
  std::string digitos = texto.substr(0, ponto) + texto.substr(ponto + 1, static_cast<size_t>(casas));
  const bool subir = texto[ponto + 1 + static_cast<size_t>(casas)] >= '5';
  if (subir) {
    size_t i = digitos.size();
    while (i > 0 && digitos[i - 1] == '9') digitos[--i] = '0';
    if (i == 0) digitos.insert(digitos.begin(), '1');
    else ++digitos[i - 1];
  }
  if (casas == 0) return digitos;
  const size_t inteiros = digitos.size() - static_cast<size_t>(casas);
  return digitos.substr(0, inteiros) + "." + digitos.substr(inteiros);
}

}  // namespace

std::string AvaliaExpressao(const std::string& expressao, int decimais) {
  return FormataNumero(decimais, Leitor(expressao).Avaliar());
}

std::string FormataNumero(int decimais, double valor) {
  if (std::isnan(valor)) return "NAN";
  if (std::isinf(valor)) return valor < 0 ? "-INF" : "INF";
  const int casas = std::clamp(decimais, 0, 255);
  std::string texto = ArredondarDecimal(std::fabs(valor), casas);
  const bool zero = texto.find_first_not_of("0.") == std::string::npos;
  if (casas > 0) {
    const size_t ponto = texto.find('.');
    texto.replace(ponto, 1, plataforma::Regional().separadorDecimal);
  }
  return (valor < 0 && !zero) ? "-" + texto : texto;
}

double TextoParaNumero(const std::string& texto) {
  // Digits, optionally a point and more digits; reading stops at anything else (a second point).
  size_t fim = 0;
  while (fim < texto.size() && texto[fim] >= '0' && texto[fim] <= '9') ++fim;
  const size_t inteiros = fim;
  if (inteiros == 0) throw std::runtime_error("'" + texto + "' não é um número válido");
  if (fim < texto.size() && texto[fim] == '.') {
    ++fim;
    while (fim < texto.size() && texto[fim] >= '0' && texto[fim] <= '9') ++fim;
  }
  double valor = 0;
  const auto r = std::from_chars(texto.data(), texto.data() + fim, valor, std::chars_format::fixed);
  if (r.ec == std::errc::result_out_of_range) {
    // Too many digits for a double: a whole part that is not all zeros overflows, else it
    // underflows.
    const bool grande = texto.find_first_not_of('0') < inteiros;
    return grande ? HUGE_VAL : 0.0;
  }
  return valor;
}

}  // namespace kiv::db
