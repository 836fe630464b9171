#pragma once
// The client's own failure text made safe for the run log.
#include <string>
#include <string_view>
#include <vector>

namespace kiv::db {

// A quoted value longer than this many characters is cut; the whole message is cut at
// kMaximoMensagem. Both cuts end in "...".
inline constexpr size_t kMaximoValorCitado = 200;
inline constexpr size_t kMaximoMensagem = 2000;

// `mensagem` with every password hidden: the value of each PWD= or Password= key of a connection
// string it quotes, and each literal occurrence of a secret of at least four characters (shorter
// ones would blank ordinary digits and letters of the text). Then a quoted value the client
// echoes ('...' or "...") is cut to kMaximoValorCitado characters and the whole to kMaximoMensagem.
std::string MensagemSegura(std::string_view mensagem, const std::vector<std::string>& segredos);

}  // namespace kiv::db
