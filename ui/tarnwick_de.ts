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
</TS>
