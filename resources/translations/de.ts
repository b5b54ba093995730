<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>TR</name>
    <message>
        <source>LauncherBtnPlay</source>
        <translation>SPIELEN</translation>
    </message>
    <message>
        <source>LauncherVersion</source>
        <translation>Version %0.%1.%2</translation>
    </message>
    <message>
        <source>LauncherUpdateCheck</source>
        <translation>Suche nach Updates...</translation>
    </message>
    <message>
        <source>LauncherProgressCheck</source>
        <translation>Dateien werden geprüft %0%</translation>
    </message>
    <message>
        <source>LauncherProgressDownload</source>
        <translation>Wird heruntergeladen %0%</translation>
    </message>
    <message>
        <source>LauncherProgressUnpack</source>
        <translation>Wird entpackt %0%</translation>
    </message>
    <message>
        <source>LauncherProgressInstall</source>
        <translation>Wird installiert %0%</translation>
    </message>
    <message>
        <source>UpdateRetryErrMsg</source>
        <translation>%0 Erneut versuchen?</translation>
    </message>
    <message>
        <source>BtnYes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>BtnExit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>ErrGameStartFail</source>
        <translation>Das Spiel konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>ProductName</source>
        <translation>Quillmere 4</translation>
    </message>
    <message>
        <source>ExitWarning</source>
        <translation>Das Programm wird beendet. Möchten Sie fortfahren?</translation>
    </message>
    <message>
        <source>LicDlgTitle</source>
        <translation>Lizenzvereinbarung</translation>
    </message>
    <message>
        <source>LicDlgBtnAccept</source>
        <translation>ANNEHMEN</translation>
    </message>
    <message>
        <source>LicDlgBtnReject</source>
        <translation>ABLEHNEN</translation>
    </message>
    <message>
        <source>DlgBtnOK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ErrFailedEulaOpen</source>
        <translation>Die EULA-Datei konnte nicht geladen werden.</translation>
    </message>
    <message>
        <source>MenuSettings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>MenuEula</source>
        <translation>EULA anzeigen...</translation>
    </message>
    <message>
        <source>MenuLanguage</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>MenuExit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>HeaderGame</source>
        <translation>SPIEL</translation>
    </message>
    <message>
        <source>HeaderNews</source>
        <translation>NEUIGKEITEN</translation>
    </message>
    <message>
        <source>LinkFacebook</source>
        <translation>Facebook</translation>
    </message>
    <message>
        <source>LinkYoutube</source>
        <translation>YouTube</translation>
    </message>
    <message>
        <source>LinkTwitter</source>
        <translation>Twitter</translation>
    </message>
    <message>
        <source>LinkWeb</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>InstallDlgTitle</source>
        <translation>Installation von Quillmere 4</translation>
    </message>
    <message>
        <source>InstallDlgSelectPath</source>
        <translation>Installationspfad auswählen</translation>
    </message>
    <message>
        <source>InstallDlgSelectPathTitle</source>
        <translation>Installationspfad auswählen</translation>
    </message>
    <message>
        <source>InstallDlgBtnSelect</source>
        <translation>Auswählen...</translation>
    </message>
    <message>
        <source>InstallDlgBtnInstall</source>
        <translation>INSTALLIEREN</translation>
    </message>
    <message>
        <source>InstallDlgCreateShortcut</source>
        <translation>Desktopverknüpfung erstellen</translation>
    </message>
    <message>
        <source>InstallDlgCreateMenu</source>
        <translation>Startmenüeinträge erstellen</translation>
    </message>
    <message>
        <source>InstallDlgErrPathInvalid</source>
        <translation>Der Pfad ist ungültig</translation>
    </message>
    <message>
        <source>InstallDlgErrPathNotEmpty</source>
        <translation>Dieser Ordner enthält bereits andere Dateien. Wählen Sie einen leeren oder einen neuen Ordner.</translation>
    </message>
    <message>
        <source>InstallDlgErrPathReadonly</source>
        <translation>Der Installationspfad ist schreibgeschützt. Wählen Sie einen anderen Pfad.</translation>
    </message>
    <message>
        <source>InstallDlgErrOutOfSpace</source>
        <translation>Nicht genügend Speicherplatz. Wählen Sie einen anderen Installationspfad.</translation>
    </message>
    <message>
        <source>InstallErrFailed</source>
        <translation>Die Installation ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>InstallOpFile</source>
        <translation>Dateien werden installiert...</translation>
    </message>
    <message>
        <source>InstallOpMenu</source>
        <translation>Startmenüverknüpfungen werden erstellt...</translation>
    </message>
    <message>
        <source>InstallOpQuicklaunch</source>
        <translation>Schnellstartverknüpfungen werden erstellt...</translation>
    </message>
    <message>
        <source>InstallOpLinks</source>
        <translation>Desktopverknüpfungen werden erstellt...</translation>
    </message>
    <message>
        <source>InstallOpRemoveData</source>
        <translation>Benutzerdaten werden entfernt...</translation>
    </message>
    <message>
        <source>InstallOpCreateUninstall</source>
        <translation>Deinstallationsschlüssel werden erstellt...</translation>
    </message>
    <message>
        <source>InstallCreateUninstall</source>
        <translation>Deinstallationsschlüssel werden erstellt...</translation>
    </message>
    <message>
        <source>InstallRollback</source>
        <translation>Änderungen werden rückgängig gemacht...</translation>
    </message>
    <message>
        <source>InstallResDone</source>
        <translation>Fertig.</translation>
    </message>
    <message>
        <source>ProductLinkName</source>
        <translation>Quillmere 4</translation>
    </message>
    <message>
        <source>ErrUpdateFailedMissingOption</source>
        <translation>Update fehlgeschlagen: fehlende Option</translation>
    </message>
    <message>
        <source>ErrUpdateInfoQueryFailed</source>
        <translation>Verbindung zum Update-Server fehlgeschlagen. Bitte überprüfen Sie Ihre Internetverbindung und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>ErrUpdateInfoNotValid</source>
        <translation>Die Update-Informationen sind ungültig. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>ErrUpdateInfoNotFound</source>
        <translation>Die Update-Informationen wurden nicht gefunden. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>ErrUpdateContentNotFound</source>
        <translation>Die Spielinhalte sind nicht verfügbar. Bitte überprüfen Sie die Plattformanforderungen und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>ErrUpdateDownloadFailed</source>
        <translation>Die Spielinhalte konnten nicht heruntergeladen werden. Bitte überprüfen Sie Ihre Internetverbindung und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToUnpack</source>
        <translation>Die Spielinhalte konnten nicht entpackt werden. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToStart</source>
        <translation>Das Update konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToPatch</source>
        <translation>Das Patchen der Spielinhalte ist fehlgeschlagen. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>ErrUnknown</source>
        <translation>Der Updatevorgang ist aus unbekanntem Grund fehlgeschlagen. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>ProgressUpdateCheck</source>
        <translation>Suche nach Updates...</translation>
    </message>
    <message>
        <source>ProgressCheckingFiles</source>
        <translation>Dateien werden geprüft</translation>
    </message>
    <message>
        <source>ProgressDownloading</source>
        <translation>Wird heruntergeladen...</translation>
    </message>
    <message>
        <source>ProgressUnpacking</source>
        <translation>Wird entpackt...</translation>
    </message>
    <message>
        <source>ProgressInstalling</source>
        <translation>Wird installiert...</translation>
    </message>
    <message>
        <source>SizeB</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>SizeKB</source>
        <translation>kB</translation>
    </message>
    <message>
        <source>SizeMB</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>SizeGB</source>
        <translation>GB</translation>
    </message>
    <message>
        <source>RateB</source>
        <translation>Bytes/s</translation>
    </message>
    <message>
        <source>RateKB</source>
        <translation>kB/s</translation>
    </message>
    <message>
        <source>RateMB</source>
        <translation>MB/s</translation>
    </message>
    <message>
        <source>RateGB</source>
        <translation>GB/s</translation>
    </message>
    <message>
        <source>BtnCancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>InstallLinkFix</source>
        <translation>Verknüpfungen werden repariert...</translation>
    </message>
    <message>
        <source>LinkOK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>LinkVK</source>
        <translation>VK</translation>
    </message>
    <message>
        <source>MenuGraphicsAPI</source>
        <translation>Grafik-API</translation>
    </message>
    <message>
        <source>MenuGraphicsAPIAuto</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>MenuGraphicsAPIDirectX11</source>
        <translation>DirectX 11</translation>
    </message>
    <message>
        <source>MenuGraphicsAPIDirectX9</source>
        <translation>DirectX 9</translation>
    </message>
    <message>
        <source>MenuGraphicsAPIOpenGL</source>
        <translation>OpenGL</translation>
    </message>
</context>
</TS>
