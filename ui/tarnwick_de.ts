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
        <source>%L1 objects written.</source>
        <translation>%L1 Objekte geschrieben.</translation>
    </message>
    <message>
        <source>%1 kB</source>
        <translation>%1 kB</translation>
    </message>
</context>
</TS>
