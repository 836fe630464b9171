#pragma once
// One run of the package: the framed run log around the integration data module's messages.
#include <string>
#include <vector>

namespace kiv::package {

// The descriptor of the parameter the host asks its user for.
inline constexpr const char* kDescritor = "TITULO|WebService VW|SOAP|I@Url|Url|String|null|350|Url: Endereço do Webservice";

// Runs the job of the configuration file and returns the lines of its log. Never throws. Calls
// are serialised: a second caller waits for the first to return.
std::vector<std::string> LinhasDoPacote(const std::string& caminho) noexcept;

// The lines joined into one malloc()ed text for the host, every line followed by CR LF; NULL when
// memory runs out. Each line is released as soon as it is copied, so a large log is never held
// twice.
char* JuntarLog(std::vector<std::string>&& linhas) noexcept;

// Runs the job and returns its log text, as the host receives it.
std::string ExecutaPacote(const std::string& caminho) noexcept;

// The time stamp of the framing lines: dd-mm-yyyy hh:nn in local time.
std::string CarimboDeHora();

}  // namespace kiv::package
