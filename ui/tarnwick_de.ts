<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CDialogPrompts</name>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
</context>
<context>
    <name>tarnwick::CAboutDlg</name>
    <message>
        <source>About Tarnwick</source>
        <translation>Info über Tarnwick</translation>
    </message>
    <message>
        <source>Tarnwick, Version %1</source>
        <translation>Tarnwick, Version %1</translation>
    </message>
</context>
<context>
    <name>tarnwick::CConverterDlg</name>
    <message>
        <source>Lumivale  -  Update Asteroids</source>
        <translation>Lumivale  -  Kleinplaneten aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>Download...</source>
        <translation>Download...</translation>
    </message>
    <message>
        <source>Choose the directory where to find the file MPCORB.DAT</source>
        <translation>Wählen Sie das Verzeichnis, wo die Datei MPCORB.DAT zu finden ist</translation>
    </message>
    <message>
        <source>Choose the directory where the files Asteroids4.dat and AsteroidInfo4.dat should be generated</source>
        <translation>Verzeichnis, auf dem die Dateien Asteroids4.dat und AsteroidInfo4.dat generiert werden sollen</translation>
    </message>
    <message>
        <source>Start Converting</source>
        <translation>Konvertierung starten</translation>
    </message>
    <message>
        <source>1)  Download</source>
        <translation>1)  Download</translation>
    </message>
    <message>
        <source>Get the latest file MPCORB.DAT.gz directly from MPC on the Internet:</source>
        <translation>Holen Sie sich die aktuelle Datei MPCORB.DAT.gz direkt vom MPC aus dem Internet:</translation>
    </message>
    <message>
        <source>Alternatively you can use the mirror server (e.g. the MPC download does not work with T-Online):</source>
        <translation>Alternativ können Sie auch den Mirror-Server verwenden (z.B. funktioniert der MPC-Download nicht mit T-Online):</translation>
    </message>
    <message>
        <source>2)  Unpack</source>
        <translation>2)  Entpacken</translation>
    </message>
    <message>
        <source>No longer needed: Tarnwick reads MPCORB.DAT.gz and MPCORB.ZIP directly, an unpacked MPCORB.DAT as well.</source>
        <translation>Nicht mehr nötig: Tarnwick liest MPCORB.DAT.gz und MPCORB.ZIP direkt, ein entpacktes MPCORB.DAT ebenso.</translation>
    </message>
    <message>
        <source>%1)  Convert MPCORB.DAT</source>
        <translation>%1)  Konvertierung MPCORB.DAT</translation>
    </message>
    <message>
        <source>Input (MPCORB.DAT, .DAT.gz or .ZIP)</source>
        <translation>Input (MPCORB.DAT, .DAT.gz oder .ZIP)</translation>
    </message>
    <message>
        <source>Output (binary Files for Lumivale):</source>
        <translation>Output (binäre Dateien für Lumivale):</translation>
    </message>
    <message>
        <source>&amp;About Tarnwick...</source>
        <translation>Inf&amp;o über Tarnwick...</translation>
    </message>
    <message>
        <source>No program here opens web addresses. Copy this address into your browser:</source>
        <translation>Hier öffnet kein Programm Internet-Adressen. Kopieren Sie diese Adresse in Ihren Browser:</translation>
    </message>
</context>
<context>
    <name>tarnwick::RunWords</name>
    <message>
        <source>Attention</source>
        <translation>Achtung</translation>
    </message>
    <message>
        <source>File %1 already exists - overwrite ?</source>
        <translation>Die Datei %1 existiert schon - überschreiben ?</translation>
    </message>
    <message>
        <source>Conversion finished</source>
        <translation>Konvertierung abgeschlossen</translation>
    </message>
    <message>
        <source>Finished !</source>
        <translation>Fertig !</translation>
    </message>
    <message>
        <source>File &quot;%1&quot; couldn&apos;t be opened</source>
        <translation>Datei &quot;%1&quot; konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>File &quot;%1&quot; holds no orbit data - nothing was written</source>
        <translation>Die Datei &quot;%1&quot; enthält keine Bahndaten - es wurde nichts geschrieben</translation>
    </message>
    <message>
        <source>%1 holds more than %2 orbit lines, the limit against damaged or hostile files; nothing was written</source>
        <translation>%1 enthält mehr als %2 Bahnzeilen, die Grenze gegen beschädigte oder feindliche Dateien; nichts wurde geschrieben</translation>
    </message>
    <message>
        <source>An interrupted conversion had already replaced %1: the previous file has been put back</source>
        <translation>Eine unterbrochene Konvertierung hatte %1 schon ersetzt: die vorige Datei ist wieder da</translation>
    </message>
    <message>
        <source>The owner or group of %1 could not be kept: the file now belongs to you</source>
        <translation>Besitzer oder Gruppe von %1 konnten nicht erhalten werden: die Datei gehört jetzt Ihnen</translation>
    </message>
    <message>
        <source>An interrupted conversion was writing over %1: the new file has now been written in full</source>
        <translation>Eine unterbrochene Konvertierung schrieb gerade über %1: die neue Datei ist jetzt vollständig</translation>
    </message>
    <message>
        <source>%1: line %2 is longer than 1 MiB: not an orbit catalogue</source>
        <translation>%1: Zeile %2 ist länger als 1 MiB: kein Bahnkatalog</translation>
    </message>
    <message>
        <source>Another conversion is replacing %1 right now - try again when it has finished</source>
        <translation>Eine andere Konvertierung ersetzt gerade %1 - bitte versuchen Sie es erneut, wenn sie beendet ist</translation>
    </message>
    <message>
        <source>The new data could not be written over %1 completely; that file may be damaged.</source>
        <translation>Die neuen Daten konnten nicht vollständig über %1 geschrieben werden; die Datei kann beschädigt sein.</translation>
    </message>
    <message>
        <source> The complete new file is %1.</source>
        <translation> Die vollständige neue Datei ist %1.</translation>
    </message>
    <message>
        <source>%1 cannot be written safely: its folder only takes new files and never lets one go (chattr +a)</source>
        <translation>%1 kann nicht sicher geschrieben werden: sein Verzeichnis nimmt nur neue Dateien auf und gibt keine wieder her (chattr +a)</translation>
    </message>
    <message>
        <source>No file can be made in the temporary folder %1 (TMPDIR)</source>
        <translation>Im temporären Verzeichnis %1 (TMPDIR) kann keine Datei angelegt werden</translation>
    </message>
    <message>
        <source>%1 cannot be replaced safely: its folder cannot be locked against other conversions (it must be readable)</source>
        <translation>%1 kann nicht sicher ersetzt werden: sein Verzeichnis lässt sich nicht gegen andere Konvertierungen sperren (es muss lesbar sein)</translation>
    </message>
    <message>
        <source>The compressed catalogue %1 is damaged or incomplete. Please download it again.</source>
        <translation>Der komprimierte Katalog %1 ist beschädigt oder unvollständig. Bitte laden Sie ihn erneut herunter.</translation>
    </message>
    <message>
        <source>%1 is a ZIP archive, which cannot be read from a pipe or standard input. Save it as a file first and convert that file.</source>
        <translation>%1 ist ein ZIP-Archiv, das nicht aus einer Pipe oder der Standardeingabe gelesen werden kann. Speichern Sie es zuerst als Datei und konvertieren Sie diese.</translation>
    </message>
    <message>
        <source>The ZIP archive %1 holds no file named MPCORB.DAT and not exactly one file, so it is not clear which one is the catalogue. Unpack the catalogue and convert it.</source>
        <translation>Das ZIP-Archiv %1 enthält keine Datei namens MPCORB.DAT und nicht genau eine Datei, daher ist nicht klar, welche der Katalog ist. Entpacken Sie den Katalog und konvertieren Sie ihn.</translation>
    </message>
    <message>
        <source>The ZIP archive %1 is packed with a method Tarnwick cannot read (Deflate64 or encryption); it is not damaged. Take the gzip catalogue MPCORB.DAT.gz instead, or unpack the archive with another program and convert MPCORB.DAT.</source>
        <translation>Das ZIP-Archiv %1 ist mit einem Verfahren gepackt, das Tarnwick nicht lesen kann (Deflate64 oder Verschlüsselung); es ist nicht beschädigt. Nehmen Sie den gzip-Katalog MPCORB.DAT.gz, oder entpacken Sie das Archiv mit einem anderen Programm und konvertieren Sie MPCORB.DAT.</translation>
    </message>
    <message>
        <source>The ZIP archive %1 holds more than 10000 files, more than Tarnwick reads. Unpack the catalogue and convert it, or take MPCORB.DAT.gz instead.</source>
        <translation>Das ZIP-Archiv %1 enthält mehr als 10000 Dateien; so große Archive liest Tarnwick nicht. Entpacken Sie den Katalog und konvertieren Sie ihn, oder nehmen Sie MPCORB.DAT.gz.</translation>
    </message>
    <message>
        <source>%1 was not found.</source>
        <translation>%1 wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>%1 holds an invalid path.</source>
        <translation>%1 enthält eine ungültige Pfadangabe.</translation>
    </message>
    <message>
        <source>%1 could not be opened because too many files are open.</source>
        <translation>%1 konnte nicht geöffnet werden, da zu viele Dateien geöffnet sind.</translation>
    </message>
    <message>
        <source>Access to %1 was denied.</source>
        <translation>Zugriff auf %1 wurde verweigert.</translation>
    </message>
    <message>
        <source>An invalid file handle was associated with %1.</source>
        <translation>Eine ungültige Dateikennung wurde mit %1 verbunden.</translation>
    </message>
    <message>
        <source>A seek error occurred on %1.</source>
        <translation>Positionierungsfehler auf %1.</translation>
    </message>
    <message>
        <source>A hardware input/output error was reported while accessing %1.</source>
        <translation>Ein Hardware-E/A-Fehler wurde während des Zugriffs auf %1 gemeldet.</translation>
    </message>
    <message>
        <source>A sharing violation occurred while accessing %1.</source>
        <translation>Eine Zugriffsverletzung ist während des Zugriffs auf %1 aufgetreten.</translation>
    </message>
    <message>
        <source>A lock violation occurred while accessing %1.</source>
        <translation>Eine Sperrverletzung ist während des Zugriffs auf %1 aufgetreten.</translation>
    </message>
    <message>
        <source>A full disk was reported while accessing %1.</source>
        <translation>Beim Zugriff auf %1 wurde ein voller Datenträger gemeldet.</translation>
    </message>
    <message>
        <source>An unknown error occurred while accessing %1.</source>
        <translation>Ein unbekannter Fehler ist beim Zugriff auf %1 aufgetreten.</translation>
    </message>
    <message>
        <source>The system reports: %1</source>
        <translation>Das System meldet: %1</translation>
    </message>
    <message>
        <source>Stopped by an unexpected error: %1</source>
        <translation>Abgebrochen durch einen unerwarteten Fehler: %1</translation>
    </message>
</context>
<context>
    <name>tarnwick::StartUp</name>
    <message>
        <source>Usage: Tarnwick [Qt options such as -platform NAME]
The desktop program of Tarnwick: opens the download of the Minor Planet Center&apos;s orbit
catalogue MPCORB.DAT in the browser and converts it into Lumivale&apos;s Asteroids4.dat and
AsteroidInfo4.dat. It needs a display (DISPLAY or WAYLAND_DISPLAY); tarnwick-cli does
the same without one.
  --help     this help
  --version  the version
</source>
        <translation>Aufruf: Tarnwick [Qt-Optionen wie -platform NAME]
Das Dialogprogramm von Tarnwick: öffnet den Download des Bahnkatalogs MPCORB.DAT des
Minor Planet Center im Browser und wandelt ihn in Asteroids4.dat und AsteroidInfo4.dat
für Lumivale um. Es braucht eine Anzeige (DISPLAY oder WAYLAND_DISPLAY); tarnwick-cli
tut dasselbe ohne.
  --help     diese Hilfe
  --version  die Version
</translation>
    </message>
    <message>
        <source>neither DISPLAY nor WAYLAND_DISPLAY is set</source>
        <translation>weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <translation>%1 und %2</translation>
    </message>
    <message>
        <source>%1 are not set (platform %2)</source>
        <translation>%1 sind nicht gesetzt (Plattform %2)</translation>
    </message>
    <message>
        <source>%1 is not set (platform %2)</source>
        <translation>%1 ist nicht gesetzt (Plattform %2)</translation>
    </message>
    <message>
        <source>Tarnwick: no display: %1; tarnwick-cli converts without one.</source>
        <translation>Tarnwick: keine Anzeige: %1; tarnwick-cli konvertiert auch ohne.</translation>
    </message>
    <message>
        <source>DISPLAY is not set</source>
        <translation>DISPLAY ist nicht gesetzt</translation>
    </message>
    <message>
        <source>no X server answers on DISPLAY=%1</source>
        <translation>kein X-Server antwortet auf DISPLAY=%1</translation>
    </message>
    <message>
        <source>WAYLAND_DISPLAY is not set</source>
        <translation>WAYLAND_DISPLAY ist nicht gesetzt</translation>
    </message>
    <message>
        <source>%1 needs Qt&apos;s Wayland plugin (Debian: qt6-wayland)</source>
        <translation>für %1 fehlt Qts Wayland-Plugin (Debian: qt6-wayland)</translation>
    </message>
    <message>
        <source>no Wayland compositor listens on %1</source>
        <translation>auf %1 hört kein Wayland-Compositor</translation>
    </message>
    <message>
        <source>%1 (platform %2)</source>
        <translation>%1 (Plattform %2)</translation>
    </message>
</context>
</TS>
