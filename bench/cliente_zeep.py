#!/usr/bin/env python3
"""The peer of the end-to-end benchmark: the same job written the usual Python way, with zeep.

    cliente_zeep.py WSDL URL DOCUMENTOS

Reads the documents one by one from DOCUMENTOS (records "<byte count>\\n<bytes>", the rows of the
benchmark's database as they are stored), and posts each one as the NFe of an EnviaXML call
through a zeep client built from WSDL (SOAP 1.2, one kept-alive connection), reads CodRetorno and
keeps the accepted keys, as the package's register does. Prints one line:
    documentos=<n> aceitos=<n> segundos=<time from the first read to the last answer>
"""

import sys
import time

import zeep
from lxml import etree

NS_NFE = "{http://www.portalfiscal.inf.br/nfe}"
NS_AAK = "{http://aakonline.kivxmlvw/aakonline/aakonline}"


def documentos(caminho):
    with open(caminho, "rb") as f:
        while True:
            linha = f.readline()
            if not linha:
                return
            yield f.read(int(linha))


def chave(raiz):
    inf = raiz.find(".//" + NS_NFE + "infNFe")
    return inf.get("Id", "")[3:] if inf is not None else ""


def main():
    wsdl, url, caminho = sys.argv[1:4]
    cliente = zeep.Client(wsdl)
    servico = cliente.create_service(NS_AAK + "AAKOnLineSoap12", url)
    enviados = {}
    total = 0
    inicio = time.monotonic()
    for texto in documentos(caminho):
        total += 1
        raiz = etree.fromstring(texto)
        k = chave(raiz)
        if (k, "E") in enviados:
            continue
        resposta = servico.EnviaXML(NFe={"_value_1": [raiz]})
        if resposta is not None and (resposta.CodRetorno or "").strip() == "100":
            enviados[(k, "E")] = resposta.MsgRetorno
    segundos = time.monotonic() - inicio
    print("documentos=%d aceitos=%d segundos=%.3f" % (total, len(enviados), segundos))


if __name__ == "__main__":
    main()
