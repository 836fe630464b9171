#!/usr/bin/env python3
"""Stand-in of the AAKOnLine dealer web service, for the tests, the benchmarks and the demo.

Listens on 127.0.0.1 only: http on --porta (0 picks a free port) and, with --https, https on
--porta-https with a self-signed certificate made at start-up. It also holds a port that is bound
but not listening, so a connection to it is refused ("closed port").

When it is ready it prints one line on stdout (and into --arquivo-portas when given):
    http=<port> https=<port or 0> fechada=<port>

Every request except those under /_control/ is recorded (method, path, headers, body) as one
file per request in --registro DIR: NNNNNN.txt holding
    KIV-STANDIN seq=<n> conexao=<id> esquema=<http|https>
    <METHOD> <path> <version>
    <Name>: <value>          (one line per header, as received)
    <empty line>
    <body bytes, exactly as received>
Lines end with CR LF. The file is complete before the reply goes out.

Behaviour (start-up options, or at run time through a control request):
    modo=aceitar    CodRetorno 100                             (default)
    modo=rejeitar   another code (codigo, default 215) and a message
    modo=ns2        accepted, with the ns2: prefix on every element
    modo=falha500   status 500, a SOAP fault without CodRetorno
    modo=404        status 404 Not Found, text/html
    modo=html       status 200, Content-Type text/html
    modo=latin1     accepted, the reply in ISO-8859-1 with the charset declared
    modo=parar      reads the request, then says nothing for `atraso` seconds (default 30),
                    then answers as aceitar if the client is still there
    modo=fechar     reads the request and closes the connection without a reply
  Overrides for any mode: codigo, mensagem ("{chave}" becomes the document's access key),
  charset (the reply's encoding), declarar (where the charset is declared: ambos, cabecalho,
  xml, nenhum), status, tipo_conteudo, corpo (the whole reply body), atraso (seconds to wait
  before answering, any mode), remover (a file deleted before answering, so a test can take a
  file away from a client at a known point of its run).

Control requests (form-encoded bodies, keys as above):
    POST /_control/modo     the default behaviour from now on
    POST /_control/fila     one behaviour per line, used by the next requests in turn
    POST /_control/limpar   removes the records, zeroes the counters, empties the queue and
                            goes back to the start-up behaviour
    GET  /_control/estado   "requisicoes=<n> conexoes=<n>": recorded requests, and the
                            connections that carried them

Stops on SIGTERM or SIGINT, and with --vigiar-stdin also when its standard input closes (so it
never outlives the process that started it).
"""

import argparse
import http.server
import os
import re
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
from xml.sax.saxutils import escape

NS_SOAP = "http://www.w3.org/2003/05/soap-envelope"
NS_AAK = "http://aakonline.kivxmlvw/aakonline/aakonline"

PADROES = {
    "aceitar": {"codigo": "100", "mensagem": "Lote recebido com sucesso"},
    "rejeitar": {"codigo": "215", "mensagem": "Rejeição: falha no schema XML"},
    "ns2": {"codigo": "100", "mensagem": "Lote recebido com sucesso"},
    "falha500": {"status": "500", "mensagem": "Erro interno do servidor"},
    "404": {"status": "404", "tipo_conteudo": "text/html"},
    "html": {"tipo_conteudo": "text/html"},
    "latin1": {"codigo": "100", "mensagem": "Recepção concluída, não há pendências", "charset": "ISO-8859-1"},
    "parar": {"atraso": "30"},
    "fechar": {},
}
CHAVES = ("modo", "codigo", "mensagem", "charset", "declarar", "status", "tipo_conteudo", "corpo", "atraso",
          "remover")


def comportamento(valores):
    """A complete behaviour from the given keys; what is missing comes from the mode."""
    modo = valores.get("modo") or "aceitar"
    if modo not in PADROES:
        raise ValueError("modo desconhecido: " + modo)
    c = {"modo": modo, "codigo": "100", "mensagem": "", "charset": "utf-8", "declarar": "ambos",
         "status": "200", "tipo_conteudo": "", "corpo": None, "atraso": "0", "remover": ""}
    c.update(PADROES[modo])
    for k in CHAVES:
        if k in valores and valores[k] is not None and k != "modo":
            c[k] = valores[k]
    return c


def de_formulario(texto):
    pares = urllib.parse.parse_qs(texto, keep_blank_values=True)
    return {k: v[-1] for k, v in pares.items()}


def chave_do_documento(corpo):
    m = re.search(r"<chNFe>([^<]*)</chNFe>", corpo) or re.search(r'Id="NFe([0-9]{1,44})', corpo)
    return m.group(1) if m else ""


class Estado:
    def __init__(self, registro, inicial):
        self.trava = threading.Lock()
        self.registro = registro
        self.inicial = inicial
        self.padrao = inicial
        self.fila = []
        self.requisicoes = 0
        self.conexoes = 0

    def proximo(self):
        with self.trava:
            return self.fila.pop(0) if self.fila else self.padrao

    def registrar(self, tratador, corpo):
        with self.trava:
            if tratador.conexao_id is None:
                self.conexoes += 1
                tratador.conexao_id = self.conexoes
            self.requisicoes += 1
            seq = self.requisicoes
        if not self.registro:
            return
        linhas = ["KIV-STANDIN seq=%d conexao=%d esquema=%s" % (seq, tratador.conexao_id, tratador.server.esquema),
                  tratador.requestline]
        linhas += ["%s: %s" % (k, v) for k, v in tratador.headers.items()]
        dados = ("\r\n".join(linhas) + "\r\n\r\n").encode("latin-1", "replace") + corpo
        final = os.path.join(self.registro, "%06d.txt" % seq)
        with open(final + ".tmp", "wb") as f:
            f.write(dados)
        os.replace(final + ".tmp", final)

    def limpar(self):
        with self.trava:
            self.requisicoes = 0
            self.conexoes = 0
            self.fila = []
            self.padrao = self.inicial
            if self.registro:
                for nome in os.listdir(self.registro):
                    os.remove(os.path.join(self.registro, nome))


def resposta_soap(c, corpo_pedido):
    """Status, content type and body bytes of a reply."""
    charset = c["charset"]
    declarar = c["declarar"]
    if c["corpo"] is not None:
        texto = c["corpo"]
    else:
        mensagem = c["mensagem"]
        if "{chave}" in mensagem:
            mensagem = mensagem.replace("{chave}", chave_do_documento(corpo_pedido.decode("utf-8", "replace")))
        mensagem = escape(mensagem)
        decl = '<?xml version="1.0" encoding="%s"?>' % charset if declarar in ("ambos", "xml") else '<?xml version="1.0"?>'
        if c["modo"] in ("404", "html"):
            texto = "<html><head><title>AAKOnLine</title></head><body><h1>%s</h1></body></html>" % (
                "Not Found" if c["modo"] == "404" else "Manutenção programada")
        elif c["modo"] == "falha500":
            texto = (decl + '<soap:Envelope xmlns:soap="%s"><soap:Body><soap:Fault><soap:Code><soap:Value>'
                     "soap:Receiver</soap:Value></soap:Code><soap:Reason><soap:Text xml:lang=\"pt-BR\">%s"
                     "</soap:Text></soap:Reason></soap:Fault></soap:Body></soap:Envelope>") % (NS_SOAP, mensagem)
        else:
            p = "ns2:" if c["modo"] == "ns2" else ""
            xmlns = ' xmlns:ns2="%s"' % NS_AAK if p else ' xmlns="%s"' % NS_AAK
            texto = (decl + '<soap:Envelope xmlns:soap="%s"><soap:Body><%sEnviaXMLResponse%s><%sEnviaXMLResult>'
                     "<%sCodRetorno>%s</%sCodRetorno><%sMsgRetorno>%s</%sMsgRetorno>"
                     "</%sEnviaXMLResult></%sEnviaXMLResponse></soap:Body></soap:Envelope>") % (
                NS_SOAP, p, xmlns, p, p, escape(c["codigo"]), p, p, mensagem, p, p, p)
    tipo = c["tipo_conteudo"]
    if not tipo:
        base = "application/soap+xml" if c["modo"] == "falha500" else "text/xml"
        tipo = base + ("; charset=" + charset if declarar in ("ambos", "cabecalho") else "")
    return int(c["status"]), tipo, texto.encode(charset, "replace")


class Tratador(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True  # TCP_NODELAY: a keep-alive post must not wait 40 ms
    timeout = 300

    def version_string(self):
        return "AAKOnLineStandIn/1.0"

    def setup(self):
        super().setup()
        self.conexao_id = None

    def log_message(self, formato, *args):
        if self.server.verboso:
            super().log_message(formato, *args)

    def ler_corpo(self):
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            partes = []
            while True:
                tamanho = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if tamanho == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return b"".join(partes)
                partes.append(self.rfile.read(tamanho))
                self.rfile.readline()
        return self.rfile.read(int(self.headers.get("Content-Length") or 0))

    def enviar(self, status, tipo, corpo):
        self.send_response(status)
        if tipo:
            self.send_header("Content-Type", tipo)
        self.send_header("Content-Length", str(len(corpo)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(corpo)

    def tratar(self):
        corpo = self.ler_corpo()
        estado = self.server.estado
        if self.path.startswith("/_control/"):
            return self.controlar(estado, corpo.decode("utf-8", "replace"))
        c = estado.proximo()
        estado.registrar(self, corpo)
        if c["remover"]:
            try:
                os.remove(c["remover"])
            except OSError:
                pass
        atraso = float(c["atraso"] or 0)
        if atraso > 0:
            time.sleep(atraso)
        if c["modo"] == "fechar":
            self.close_connection = True
            return
        try:
            self.enviar(*resposta_soap(c, corpo))
        except OSError:
            self.close_connection = True  # the client gave up while we stalled

    def controlar(self, estado, texto):
        acao = self.path[len("/_control/"):].split("?")[0]
        try:
            if acao == "modo":
                novo = comportamento(de_formulario(texto))
                with estado.trava:
                    estado.padrao = novo
            elif acao == "fila":
                novos = [comportamento(de_formulario(l)) for l in texto.splitlines() if l.strip()]
                with estado.trava:
                    estado.fila.extend(novos)
            elif acao == "limpar":
                estado.limpar()
            elif acao != "estado":
                return self.enviar(404, "text/plain", b"controle desconhecido\n")
        except ValueError as e:
            return self.enviar(400, "text/plain", (str(e) + "\n").encode())
        with estado.trava:
            linha = "requisicoes=%d conexoes=%d\n" % (estado.requisicoes, estado.conexoes)
        self.enviar(200, "text/plain", linha.encode())

    do_GET = do_POST = do_PUT = do_DELETE = do_HEAD = tratar


class Servidor(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    esquema = "http"


class ServidorHttps(Servidor):
    esquema = "https"

    def finish_request(self, request, client_address):
        # The TLS handshake happens on the connection's own thread, never in the accept loop.
        request.settimeout(30)
        try:
            seguro = self.contexto.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        try:
            self.RequestHandlerClass(seguro, client_address, self)
        finally:
            seguro.close()


def contexto_tls():
    """A server context with a self-signed certificate made now; its files are gone at return."""
    with tempfile.TemporaryDirectory(prefix="standin-tls-") as pasta:
        chave, cert = os.path.join(pasta, "chave.pem"), os.path.join(pasta, "cert.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-keyout", chave, "-out", cert, "-days", "7", "-subj", "/CN=aakonline.standin"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(cert, chave)
        return ctx


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--porta", type=int, default=0)
    ap.add_argument("--https", action="store_true")
    ap.add_argument("--porta-https", type=int, default=0)
    ap.add_argument("--registro", default="", help="folder for the request records (none: not recorded)")
    ap.add_argument("--arquivo-portas", default="")
    ap.add_argument("--vigiar-stdin", action="store_true")
    ap.add_argument("--verboso", action="store_true")
    for k in CHAVES:
        ap.add_argument("--" + k.replace("_", "-"), dest=k, default=None)
    args = ap.parse_args()

    estado = Estado(args.registro, comportamento({k: getattr(args, k) for k in CHAVES}))
    if args.registro:
        os.makedirs(args.registro, exist_ok=True)
    servidores = [Servidor(("127.0.0.1", args.porta), Tratador)]
    if args.https:
        s = ServidorHttps(("127.0.0.1", args.porta_https), Tratador)
        s.contexto = contexto_tls()
        servidores.append(s)
    for s in servidores:
        s.estado = estado
        s.verboso = args.verboso
        threading.Thread(target=s.serve_forever, daemon=True).start()
    # Bound and never listening: a connection to it is refused.
    fechada = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    fechada.bind(("127.0.0.1", 0))

    linha = "http=%d https=%d fechada=%d" % (servidores[0].server_address[1],
                                            servidores[1].server_address[1] if args.https else 0,
                                            fechada.getsockname()[1])
    if args.arquivo_portas:
        with open(args.arquivo_portas + ".tmp", "w") as f:
            f.write(linha + "\n")
        os.replace(args.arquivo_portas + ".tmp", args.arquivo_portas)
    print(linha, flush=True)

    fim = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: fim.set())
    signal.signal(signal.SIGINT, lambda *_: fim.set())
    if args.vigiar_stdin:
        def vigiar():
            while sys.stdin.buffer.read(4096):
                pass
            fim.set()
        threading.Thread(target=vigiar, daemon=True).start()
    while not fim.wait(1):
        pass
    # Straight out: the daemon threads (stdin reader, open connections) must not hold up the end.
    sys.stdout.flush()
    os._exit(0)


if __name__ == "__main__":
    main()
