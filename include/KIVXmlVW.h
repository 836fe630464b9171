/*
 * KIVXmlVW: the integration package a scheduler host loads to deliver a dealership's NF-e
 * invoices to the VW dealer web service.
 *
 * Exactly three functions are exported, with C linkage. All texts are UTF-8 and NUL-terminated.
 * Ownership: whatever the package stores in a host variable was allocated with malloc() and
 * belongs to the host, which releases it with free(). Before storing, the package releases the
 * variable's previous value with free() when it is not NULL, so the variable must hold NULL or a
 * malloc()ed text. No C++ exception ever leaves these functions.
 */
#ifndef KIVXMLVW_H
#define KIVXMLVW_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Tells the host that this library is one of its packages. Always true, no side effect. */
bool Kiv(void);

/* Stores in *texto the one-line descriptor of the parameter the host asks its user for. */
void Config(char **texto);

/* Runs the job described by the configuration file `caminho` (only read) and stores the run
 * log in *log: lines ended by CR LF, the last one too. Calls are serialised: a second call made
 * while one is running waits for it to return. */
void Executa(char **log, const char *caminho);

#ifdef __cplusplus
}
#endif

#endif
