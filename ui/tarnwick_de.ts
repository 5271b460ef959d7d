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
        <source>Choose the directory where to find the file MPCORB.DAT</source>
        <translation>Wählen Sie das Verzeichnis, wo die Datei MPCORB.DAT zu finden ist</translation>
    </message>
    <message>
        <source>Choose the directory where the files Asteroids4.dat and AsteroidInfo4.dat should be generated</source>
        <translation>Verzeichnis, auf dem die Dateien Asteroids4.dat und AsteroidInfo4.dat generiert werden sollen</translation>
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
        <source>&amp;About Tarnwick...</source>
        <translation>Inf&amp;o über Tarnwick...</translation>
    </message>
    <message>
        <source>No program here opens web addresses. Copy this address into your browser:</source>
        <translation>Hier öffnet kein Programm Internet-Adressen. Kopieren Sie diese Adresse in Ihren Browser:</translation>
    </message>
    <message>
        <source>&amp;Download...</source>
        <translation>&amp;Download...</translation>
    </message>
    <message>
        <source>Download the catalogue in the browser</source>
        <translation>Katalog im Browser herunterladen</translation>
    </message>
    <message>
        <source>Do&amp;wnload...</source>
        <translation>Do&amp;wnload...</translation>
    </message>
    <message>
        <source>Open the mirror&apos;s download page in the browser</source>
        <translation>Download-Seite des Mirrors im Browser öffnen</translation>
    </message>
    <message>
        <source>Input file</source>
        <translation>Eingabedatei</translation>
    </message>
    <message>
        <source>&amp;Input (MPCORB.DAT, .DAT.gz or .ZIP)</source>
        <translation>&amp;Input (MPCORB.DAT, .DAT.gz oder .ZIP)</translation>
    </message>
    <message>
        <source>Choose input folder...</source>
        <translation>Eingabeordner wählen...</translation>
    </message>
    <message>
        <source>Orbit file</source>
        <translation>Bahndatei</translation>
    </message>
    <message>
        <source>&amp;Output (binary Files for Lumivale):</source>
        <translation>&amp;Output (binäre Dateien für Lumivale):</translation>
    </message>
    <message>
        <source>Choose output folder...</source>
        <translation>Ausgabeordner wählen...</translation>
    </message>
    <message>
        <source>Summary file</source>
        <translation>Übersichtsdatei</translation>
    </message>
    <message>
        <source>&amp;Start Converting</source>
        <translation>&amp;Konvertierung starten</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>C&amp;ancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>No data for Lumivale in this folder yet.</source>
        <translation>In diesem Ordner gibt es noch keine Daten für Lumivale.</translation>
    </message>
    <message>
        <source>Data from %1 (today)</source>
        <translation>Daten vom %1 (von heute)</translation>
    </message>
    <message>
        <source>&amp;Copy address</source>
        <translation>Adresse &amp;kopieren</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>%1 of %2 (%3 %)</source>
        <translation>%1 von %2 (%3 %)</translation>
    </message>
    <message>
        <source>%1 read</source>
        <translation>%1 gelesen</translation>
    </message>
    <message>
        <source>, %1/s</source>
        <translation>, %1/s</translation>
    </message>
    <message>
        <source>, %1:%2 left</source>
        <translation>, noch %1:%2</translation>
    </message>
    <message>
        <source>Cancelling...</source>
        <translation>Wird abgebrochen...</translation>
    </message>
    <message>
        <source>Cancelled: the files are as they were.</source>
        <translation>Abgebrochen: die Dateien sind unverändert.</translation>
    </message>
    <message>
        <source>Catalogue (MPCORB.DAT MPCORB.DAT.gz MPCORB.ZIP)</source>
        <translation>Katalog (MPCORB.DAT MPCORB.DAT.gz MPCORB.ZIP)</translation>
    </message>
    <message>
        <source>Data from %1 (1 day old)</source>
        <translation>Daten vom %1 (1 Tag alt)</translation>
    </message>
    <message>
        <source>Data from %1 (%2 days old)</source>
        <translation>Daten vom %1 (%2 Tage alt)</translation>
    </message>
    <message>
        <source>1 object written.</source>
        <translation>1 Objekt geschrieben.</translation>
    </message>
    <message>
        <source>%1 kB</source>
        <translation>%1 kB</translation>
    </message>
    <message>
        <source>Do&amp;wnload and convert</source>
        <translation>&amp;Herunterladen und konvertieren</translation>
    </message>
    <message>
        <source>Or in one step: download it and convert it into the output folder:</source>
        <translation>Oder in einem Schritt: herunterladen und in den Ausgabeordner konvertieren:</translation>
    </message>
    <message>
        <source>The environment variable %1 must be a whole number from 1, not &quot;%2&quot;.</source>
        <translation>Die Umgebungsvariable %1 muss eine ganze Zahl ab 1 sein, nicht &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>TARNWICK_URL names %1, but only https:// addresses are fetched.</source>
        <translation>TARNWICK_URL nennt %1, abgerufen werden aber nur https://-Adressen.</translation>
    </message>
    <message>
        <source>%1 downloaded</source>
        <translation>%1 heruntergeladen</translation>
    </message>
    <message>
        <source>it belongs to another user</source>
        <translation>er gehört einem anderen Benutzer</translation>
    </message>
    <message>
        <source>others may write to it</source>
        <translation>andere dürfen darin schreiben</translation>
    </message>
    <message>
        <source>The cache folder %1 is not used (%2); the catalogue is converted without keeping a copy.</source>
        <translation>Der Zwischenspeicher %1 wird nicht benutzt (%2); der Katalog wird konvertiert, ohne eine Kopie aufzubewahren.</translation>
    </message>
    <message>
        <source>The files are up to date, but the downloaded catalogue could not be kept in %1 (%2); the next update downloads it again.</source>
        <translation>Die Dateien sind aktuell, aber der heruntergeladene Katalog konnte nicht in %1 aufbewahrt werden (%2); die nächste Aktualisierung lädt ihn erneut herunter.</translation>
    </message>
    <message>
        <source>Up to date</source>
        <translation>Aktuell</translation>
    </message>
    <message>
        <source>Up to date: %1 has nothing newer than the catalogue of %2, from which the files in %3 were made.</source>
        <translation>Aktuell: %1 hat nichts Neueres als den Katalog vom %2, aus dem die Dateien in %3 erstellt wurden.</translation>
    </message>
    <message>
        <source>Up to date: %1 has nothing newer than the catalogue from which the files in %2 were made.</source>
        <translation>Aktuell: %1 hat nichts Neueres als den Katalog, aus dem die Dateien in %2 erstellt wurden.</translation>
    </message>
    <message>
        <source>Nothing was downloaded or written.</source>
        <translation>Nichts wurde heruntergeladen oder geschrieben.</translation>
    </message>
    <message>
        <source>there is no connection to the server (%1).</source>
        <translation>keine Verbindung zum Server (%1).</translation>
    </message>
    <message>
        <source>Check the connection to the internet (and the proxy, if you use one), then try again.</source>
        <translation>Prüfen Sie die Verbindung zum Internet (und den Proxy, falls Sie einen benutzen) und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>the server&apos;s certificate was not accepted (%1).</source>
        <translation>das Zertifikat des Servers wurde nicht anerkannt (%1).</translation>
    </message>
    <message>
        <source>Check the computer&apos;s date and time. A network that looks into secure connections (in some companies and hotels) refuses them too: try another network.</source>
        <translation>Prüfen Sie Datum und Uhrzeit des Computers. Ein Netz, das in sichere Verbindungen hineinschaut (in manchen Firmen und Hotels), führt ebenfalls dazu: versuchen Sie ein anderes Netz.</translation>
    </message>
    <message>
        <source>the server answered with HTTP status %1.</source>
        <translation>der Server antwortete mit HTTP-Status %1.</translation>
    </message>
    <message>
        <source>The file may have moved or the server may be busy: try again later. When TARNWICK_URL is set, check the address it names.</source>
        <translation>Die Datei ist vielleicht umgezogen oder der Server ausgelastet: versuchen Sie es später erneut. Ist TARNWICK_URL gesetzt, prüfen Sie die Adresse darin.</translation>
    </message>
    <message>
        <source>nothing arrived for %1 seconds.</source>
        <translation>%1 Sekunden lang kam nichts an.</translation>
    </message>
    <message>
        <source>The connection or the server is too slow just now: try again later.</source>
        <translation>Die Verbindung oder der Server ist gerade zu langsam: versuchen Sie es später erneut.</translation>
    </message>
    <message>
        <source>the file is larger than %1 MiB, more than any catalogue.</source>
        <translation>die Datei ist größer als %1 MiB, mehr als jeder Katalog.</translation>
    </message>
    <message>
        <source>Check the address: it does not name the catalogue. When TARNWICK_URL is set, check the address it names.</source>
        <translation>Prüfen Sie die Adresse: sie nennt nicht den Katalog. Ist TARNWICK_URL gesetzt, prüfen Sie die Adresse darin.</translation>
    </message>
    <message>
        <source>the server sent the request on to an address that is not https://, or too often (%1).</source>
        <translation>der Server leitete auf eine Adresse um, die nicht https:// ist, oder zu oft (%1).</translation>
    </message>
    <message>
        <source>Check the address. When TARNWICK_URL is set, check the address it names.</source>
        <translation>Prüfen Sie die Adresse. Ist TARNWICK_URL gesetzt, prüfen Sie die Adresse darin.</translation>
    </message>
    <message>
        <source>the transfer ended before the whole catalogue arrived (%1).</source>
        <translation>die Übertragung endete, bevor der ganze Katalog ankam (%1).</translation>
    </message>
    <message>
        <source>Try again; a broken connection or a busy server ends transfers early.</source>
        <translation>Versuchen Sie es erneut; eine abgebrochene Verbindung oder ein ausgelasteter Server beendet Übertragungen vorzeitig.</translation>
    </message>
    <message>
        <source>Download failed</source>
        <translation>Herunterladen fehlgeschlagen</translation>
    </message>
    <message>
        <source>The catalogue could not be downloaded from %1: %2</source>
        <translation>Der Katalog konnte nicht von %1 heruntergeladen werden: %2</translation>
    </message>
    <message>
        <source>The files are as they were. You can also fetch the catalogue in the browser with Download... and convert it with Start Converting.</source>
        <translation>Die Dateien sind unverändert. Sie können den Katalog auch mit Download... im Browser holen und mit Konvertierung starten konvertieren.</translation>
    </message>
    <message>
        <source>Cancelled: the files and the kept copy are as they were.</source>
        <translation>Abgebrochen: die Dateien und die aufbewahrte Kopie sind unverändert.</translation>
    </message>
    <message>
        <source>%1 objects written.</source>
        <translation>%1 Objekte geschrieben.</translation>
    </message>
</context>
<context>
    <name>tarnwick::RunWords</name>
    <message>
        <source>The way to %1 leads through another user&apos;s link in a folder that others can write. Tarnwick does not follow such a link.</source>
        <translation>Der Weg zu %1 führt über eine Verknüpfung eines anderen Benutzers in einem Verzeichnis, in das andere schreiben dürfen. Tarnwick folgt einer solchen Verknüpfung nicht.</translation>
    </message>
    <message>
        <source>%1 is a device, a FIFO or a socket. Tarnwick writes only files.</source>
        <translation>%1 ist ein Gerät, eine FIFO oder ein Socket. Tarnwick schreibt nur Dateien.</translation>
    </message>
    <message>
        <source>%1 belongs to another user, and its folder (sticky bit) lets only its owner replace it.</source>
        <translation>Die Datei %1 gehört einem anderen Benutzer, und ihr Verzeichnis (Sticky-Bit) lässt sie nur von ihrem Besitzer ersetzen.</translation>
    </message>
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
        <source>The lock file %1 that keeps other conversions out cannot be made or locked</source>
        <translation>Die Sperrdatei %1, die andere Konvertierungen fernhält, lässt sich nicht anlegen oder sperren</translation>
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
