#!/usr/bin/env python3
"""Writes the demo installation's text files: settings, the module's form and
language files, and the help topics.

The installation keeps its text files in code page 850 with CR LF line ends;
this script is their source, written in UTF-8 for people and encoded here.
Run it from anywhere after changing a text; it rewrites the files under site/.

    python3 site/tools/write_texts.py
"""

import pathlib
import sys

SITE = pathlib.Path(__file__).resolve().parent.parent

# Help files are records of 80 bytes, one line each: 78 bytes of text and
# CR LF. The viewer shows up to 76 characters of a line; the bytes below
# switch styles and take no column.
HELP_RECORD = 80
HIGHLIGHT = "\x1e"
UNDERLINE = "\x1f"


def cp850(text):
    return text.encode("cp850")


def write(relative, data):
    path = SITE / relative
    path.parent.mkdir(parents=True, exist_ok=True)
    if path.exists() and path.read_bytes() == data:
        return
    path.write_bytes(data)
    print("wrote", relative)


def text_file(lines):
    """Lines joined with CR LF, the last one ended too."""
    return b"".join(cp850(line) + b"\r\n" for line in lines)


# --- Settings ---------------------------------------------------------------

SETTINGS = {
    "Dorv.ini": [
        "; Installation settings of the demo office",
        "[Usuari]",
        "Idioma=CAT",
        "DatCaracter=/",
        "DatOrdre=DMA",
        "DecCaracter=,",
        "MilCaracter=.",
    ],
    "TERM01/DorvTerm.ini": [
        "; Terminal 01: Catalan, white and grey on blue",
        "[Pantalla]",
        "Seleccio=1",
        "Col0=15000700000700070007",
        "Col1=15010701000300071503",
        "[Sistema]",
        "Data=20261211",
        "Idioma=CAT",
    ],
    "TERM01/Sessio.ini": [
        "; Session of terminal 01",
        "[Menu]",
        "Titol=Gestió de finques - Consultes",
        "NomMenu=CONSULTA",
        "[Terminal]",
        "Dir=TERM01\\",
    ],
    "TERM02/DorvTerm.ini": [
        "; Terminal 02: Spanish, the default colours",
        "[Pantalla]",
        "Seleccio=0",
        "[Sistema]",
        "Data=20261211",
        "Idioma=SPA",
    ],
    "TERM02/Sessio.ini": [
        "; Session of terminal 02",
        "[Menu]",
        "Titol=Gestión de fincas - Consultas",
        "NomMenu=CONSULTA",
        "[Terminal]",
        "Dir=TERM02\\",
    ],
}

# --- Form file ----------------------------------------------------------------
# Form 1 holds the estate code on row 2, left of where the receipts screen
# writes the estate's name, so the code stays in sight beside the receipts.
# Browse 1 lists the estates file (511) along key 0 below it.

FORM_LABEL = "Codi de finca: "
BROWSE_HEADER = "Codi_Nom_de_la_finca"

FORM_FILE = [
    "' Formularis de la consulta de l'estat dels rebuts",
    "' Capçalera: nombre de formularis, camps del formulari més llarg",
    "1,1",
    "' Formulari 1, la finca: tecles que acaben un camp, nombre de camps,",
    "' formulari següent, finestra (dalt, esquerra, baix, dreta; 0: cap); i a",
    "' la línia següent, cada camp: fila, columna, etiqueta, amplada, amplada",
    "' de línia, blancs darrere, marques, tipus (1 numèric), llista de F4,",
    "' opcions. Dins d'un formulari no hi pot haver comentaris.",
    '"0d,1b,3e00",1,0,0,0,0,0',
    "2,2,\"" + FORM_LABEL + "\",3,0,0,0,1,1,\"\"",
    "' Nombre de llistes",
    "1",
    "' Llista 1, les finques: fitxer, clau, finestra (dalt, esquerra, baix,",
    "' dreta), formulari previ, capçalera, llista de F4",
    "511,0,5,20,22,61,0,\"" + BROWSE_HEADER + "\",0",
]

# --- Language file --------------------------------------------------------------
# Entries: Catalan, Galician-Portuguese, Aranese, Spanish.


def column_titles(dep, date, amount, state):
    """Both halves of the receipts screen's title row: the department at
    column 1, the date title at 6, the amount title ending at 26 (amounts are
    right-aligned there) and the state at 29; the right half from column 41."""
    half = dep.ljust(5) + date
    half = half.ljust(26 - len(amount)) + amount
    half = half.ljust(28) + state
    assert len(half) <= 40, half
    return (half.ljust(40) + half).rstrip()


CATALAN_TITLES = column_titles("DEP", "D.EXPED.", "IMPORT", "ESTAT")
assert CATALAN_TITLES == "DEP  D.EXPED.       IMPORT  ESTAT       DEP  D.EXPED.       IMPORT  ESTAT"

LANGUAGE = [
    # The receipts screen.
    ("PANTALLA ZZZ9", "ECRÃ ZZZ9", "PANTALHA ZZZ9", "PANTALLA ZZZ9"),
    (CATALAN_TITLES,
     column_titles("DEP", "D.EXPED.", "IMPORTE", "ESTADO"),
     column_titles("DEP", "D.EXPED.", "IMPÒRT", "ESTAT"),
     column_titles("DEP", "F.EXPED.", "IMPORTE", "ESTADO")),
    ("PENDENT", "PENDENTE", "PENDENT", "PENDIENTE"),
    ("TORNAT", "DEVOLVIDO", "TORNAT", "DEVUELTO"),
    ("TOTAL           ", "TOTAL           ", "TOTAU           ", "TOTAL           "),
    ("ATENCIÓ: error de lectura del fitxer de rebuts (NN); la llista pot ser parcial",
     "ATENÇOM: erro ao ler o ficheiro de recibos (NN); a lista pode ser parcial",
     "ATENCION: error de lectura des rebuts (NN); era lista pòt èster parciau",
     "ATENCIÓN: error al leer el fichero de recibos (NN); la lista puede ser parcial"),
    # The estate form and the estates list.
    (FORM_LABEL, "Código de finca: ", "Còdi de finca: ", "Código de finca: "),
    (BROWSE_HEADER, "Cód._Nome_da_finca", "Còdi_Nòm_dera_finca", "Cód._Nombre_de_la_finca"),
    # The browse's line file cannot be made in the work directory.
    ("No es pot crear el fitxer de treball ",
     "Nom se pode criar o ficheiro de trabalho ",
     "Non se pòt crear eth fichèr de trabalh ",
     "No se puede crear el fichero de trabajo "),
    # Faults of the form file, before the estate form can be shown.
    ("No es pot obrir el fitxer de formularis ",
     "Nom se pode abrir o ficheiro de formulários ",
     "Non se pòt daurir eth fichèr de formularis ",
     "No se puede abrir el fichero de formularios "),
    ("El formulari ", "O formulário ", "Eth formulari ", "El formulario "),
    (" té més camps que el màxim del fitxer de formularis ",
     " tem mais campos que o máximo do ficheiro de formulários ",
     " a mès camps que eth maxim deth fichèr de formularis ",
     " tiene más campos que el máximo del fichero de formularios "),
    ("El fitxer de formularis descriu camps massa llargs: ",
     "O ficheiro de formulários descreve campos demasiado longos: ",
     "Eth fichèr de formularis descriu camps massa longs: ",
     "El fichero de formularios describe campos demasiado largos: "),
    ("El fitxer de formularis no descriu cap formulari: ",
     "O ficheiro de formulários nom descreve nengum formulário: ",
     "Eth fichèr de formularis non descriu cap formulari: ",
     "El fichero de formularios no describe ningún formulario: "),
    ("El fitxer de formularis no descriu el formulari de la finca: ",
     "O ficheiro de formulários nom descreve o formulário da finca: ",
     "Eth fichèr de formularis non descriu eth formulari dera finca: ",
     "El fichero de formularios no describe el formulario de la finca: "),
]


def language_file():
    lines = []
    for entry in LANGUAGE:
        assert len(entry) == 4
        for text in entry:
            assert '"' not in text, text
            text.encode("cp850")
        # Every text quoted: several begin or end with blanks.
        lines.append(",".join('"' + text + '"' for text in entry))
    return text_file(lines)


# --- Help ------------------------------------------------------------------------

CONSULTA = [
    "",
    " " + HIGHLIGHT + "CONSULTA DE L'ESTAT DELS REBUTS" + HIGHLIGHT,
    "",
    " Escriviu el codi de la finca (fins a tres xifres) i premeu Retorn.",
    " Si no recordeu el codi, premeu F4: s'obre la llista de finques per ordre",
    " de codi; moveu-vos-hi amb les fletxes, RePàg i AvPàg, i trieu la finca",
    " amb Retorn. Un codi que no és de cap finca fa sonar el timbre i el podeu",
    " corregir.",
    "",
    " La pantalla de rebuts mostra el nom de la finca i, per a cada rebut, el",
    " departament, la data d'expedició, l'import i l'estat, PENDENT o TORNAT.",
    " Hi caben 38 rebuts per pantalla, dos per línia. Després de l'últim rebut de",
    " la finca hi ha el total dels imports.",
    "",
    " " + UNDERLINE + "Pantalla de rebuts" + UNDERLINE,
    "   AvPàg    pantalla següent, quan la finca té més rebuts",
    "   RePàg    pantalla anterior",
    "   Esc      torna al codi de la finca",
    "",
    " " + UNDERLINE + "Codi de la finca" + UNDERLINE,
    "   Retorn   mostra els rebuts de la finca",
    "   F4       llista de finques",
    "   Ctrl+Y   esborra el codi escrit",
    "   Ins      escriure inserint o escriure a sobre",
    "   F1       aquesta ajuda; F1 des de l'ajuda obre l'ajuda general",
    "   Esc      surt de la consulta",
    "",
    " Des de qualsevol pantalla, Alt+X obre la calculadora i Alt+C el calendari.",
    "",
    " " + UNDERLINE + "Ajuda" + UNDERLINE,
    "   Fletxes, RePàg, AvPàg, Inici i Fi mouen el text; Esc tanca l'ajuda.",
]

TOOLMENU = [
    "",
    " " + HIGHLIGHT + "AJUDA GENERAL" + HIGHLIGHT,
    "",
    " " + UNDERLINE + "Camps" + UNDERLINE,
    "   Ins               escriure inserint o escriure a sobre",
    "   Fletxes           mouen el cursor dins del camp",
    "   Ctrl+fletxes      paraula anterior o següent",
    "   Inici, Fi         principi o final del camp",
    "   Retrocés, Supr    esborren el caràcter d'abans o el del cursor",
    "   Ctrl+Y            esborra tot el camp",
    "   Ctrl+C, Ctrl+V    copien el camp o enganxen el text copiat",
    "   Clic del ratolí   posa el cursor en un altre camp o lloc del camp",
    "   F4                llista per triar el valor, on n'hi ha",
    "   Retorn            accepta el camp; Esc el deixa com era",
    "",
    " " + UNDERLINE + "Llistes" + UNDERLINE,
    "   Fletxes amunt i avall, RePàg i AvPàg mouen la barra; fletxes esquerra i",
    "   dreta mostren la resta de les línies llargues; Retorn tria la línia i",
    "   Esc tanca la llista sense triar.",
    "",
    " " + UNDERLINE + "Calculadora i calendari" + UNDERLINE,
    "   Alt+X obre la calculadora i Alt+C el calendari. El resultat que en porteu",
    "   s'escriu al camp on éreu.",
    "",
    " " + UNDERLINE + "Ajuda" + UNDERLINE,
    "   F1 obre l'ajuda de la pantalla; fletxes, RePàg, AvPàg, Inici i Fi mouen",
    "   el text; Esc la tanca.",
]


def help_file(lines):
    out = b""
    for line in lines:
        data = cp850(line)
        shown = len(data) - sum(data.count(b) for b in (b"\x10", b"\x1e", b"\x1f"))
        assert shown <= 76, line
        assert len(data) <= HELP_RECORD - 2, line
        out += data.ljust(HELP_RECORD - 2) + b"\r\n"
    return out


def html_escape(text):
    """ASCII HTML: accented letters as character references, so the page
    reads the same whatever code page a browser assumes."""
    out = []
    for ch in text:
        if ch == "&":
            out.append("&amp;")
        elif ch == "<":
            out.append("&lt;")
        elif ch == ">":
            out.append("&gt;")
        elif ord(ch) > 127:
            out.append("&#%d;" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def html_file(title, lines):
    """The help topic as a page: headings for the highlighted and underlined
    lines, the rest as preformatted text, as on the screen."""
    body = []
    block = []

    def flush():
        while block and not block[-1].strip():
            block.pop()
        if block:
            body.append("<pre>" + "\n".join(block) + "</pre>")
        block.clear()

    for line in lines:
        text = html_escape(line.replace(HIGHLIGHT, "").replace(UNDERLINE, ""))
        if HIGHLIGHT in line:
            flush()
            body.append("<h1>" + text.strip() + "</h1>")
        elif UNDERLINE in line:
            flush()
            body.append("<h2>" + text.strip() + "</h2>")
        elif block or line.strip():
            block.append(text)
    flush()
    html = [
        "<!DOCTYPE html>",
        '<html lang="ca">',
        "<head>",
        '<meta charset="us-ascii">',
        "<title>" + html_escape(title) + "</title>",
        "</head>",
        "<body>",
    ] + body + ["</body>", "</html>"]
    return text_file(html)


def main():
    for name, lines in SETTINGS.items():
        write(name, text_file(lines))
    write("FORMS/RECINQRY.JPN", text_file(FORM_FILE))
    write("LOCALE/RECINQRY.LNG", language_file())
    write("AJUDA/CONSULTA.HLP", help_file(CONSULTA))
    write("AJUDA/TOOLMENU.HLP", help_file(TOOLMENU))
    write("AJUDA/CONSULTA.HTM", html_file("Consulta de l'estat dels rebuts", CONSULTA))
    write("AJUDA/TOOLMENU.HTM", html_file("Ajuda general", TOOLMENU))
    return 0


if __name__ == "__main__":
    sys.exit(main())
