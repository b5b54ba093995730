<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl_NL">
<context>
    <name>TR</name>
    <message>
        <source>LauncherBtnPlay</source>
        <translation>SPELEN</translation>
    </message>
    <message>
        <source>LauncherVersion</source>
        <translation>Versie %0.%1.%2</translation>
    </message>
    <message>
        <source>LauncherUpdateCheck</source>
        <translation>Controleren op updates...</translation>
    </message>
    <message>
        <source>LauncherProgressCheck</source>
        <translation>Bestanden controleren %0%</translation>
    </message>
    <message>
        <source>LauncherProgressDownload</source>
        <translation>Downloaden %0%</translation>
    </message>
    <message>
        <source>LauncherProgressUnpack</source>
        <translation>Uitpakken %0%</translation>
    </message>
    <message>
        <source>LauncherProgressInstall</source>
        <translation>Installeren %0%</translation>
    </message>
    <message>
        <source>UpdateRetryErrMsg</source>
        <translation>%0 Opnieuw proberen?</translation>
    </message>
    <message>
        <source>BtnYes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>BtnExit</source>
        <translation>Afsluiten</translation>
    </message>
    <message>
        <source>ErrGameStartFail</source>
        <translation>Het spel kon niet worden gestart.</translation>
    </message>
    <message>
        <source>ProductName</source>
        <translation>Quillmere 4</translation>
    </message>
    <message>
        <source>ExitWarning</source>
        <translation>Het programma wordt afgesloten. Wilt u doorgaan?</translation>
    </message>
    <message>
        <source>LicDlgTitle</source>
        <translation>Licentieovereenkomst</translation>
    </message>
    <message>
        <source>LicDlgBtnAccept</source>
        <translation>ACCEPTEREN</translation>
    </message>
    <message>
        <source>LicDlgBtnReject</source>
        <translation>WEIGEREN</translation>
    </message>
    <message>
        <source>DlgBtnOK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ErrFailedEulaOpen</source>
        <translation>Het EULA-bestand kon niet worden geladen.</translation>
    </message>
    <message>
        <source>MenuSettings</source>
        <translation>Instellingen</translation>
    </message>
    <message>
        <source>MenuEula</source>
        <translation>EULA weergeven...</translation>
    </message>
    <message>
        <source>MenuLanguage</source>
        <translation>Taal</translation>
    </message>
    <message>
        <source>MenuExit</source>
        <translation>Afsluiten</translation>
    </message>
    <message>
        <source>HeaderGame</source>
        <translation>SPEL</translation>
    </message>
    <message>
        <source>HeaderNews</source>
        <translation>NIEUWS</translation>
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
        <translation>Installatie van Quillmere 4</translation>
    </message>
    <message>
        <source>InstallDlgSelectPath</source>
        <translation>Selecteer het installatiepad</translation>
    </message>
    <message>
        <source>InstallDlgSelectPathTitle</source>
        <translation>Installatiepad selecteren</translation>
    </message>
    <message>
        <source>InstallDlgBtnSelect</source>
        <translation>Selecteren...</translation>
    </message>
    <message>
        <source>InstallDlgBtnInstall</source>
        <translation>INSTALLEREN</translation>
    </message>
    <message>
        <source>InstallDlgCreateShortcut</source>
        <translation>Een snelkoppeling op het bureaublad maken</translation>
    </message>
    <message>
        <source>InstallDlgCreateMenu</source>
        <translation>Items in het startmenu maken</translation>
    </message>
    <message>
        <source>InstallDlgErrPathInvalid</source>
        <translation>Het pad is ongeldig</translation>
    </message>
    <message>
        <source>InstallDlgErrPathNotEmpty</source>
        <translation>Deze map bevat al andere bestanden. Selecteer een lege of een nieuwe map.</translation>
    </message>
    <message>
        <source>InstallDlgErrPathReadonly</source>
        <translation>Het installatiepad is alleen-lezen. Selecteer een ander pad.</translation>
    </message>
    <message>
        <source>InstallDlgErrOutOfSpace</source>
        <translation>Onvoldoende schijfruimte. Selecteer een ander installatiepad.</translation>
    </message>
    <message>
        <source>InstallErrFailed</source>
        <translation>De installatie is mislukt.</translation>
    </message>
    <message>
        <source>InstallOpFile</source>
        <translation>Bestanden installeren...</translation>
    </message>
    <message>
        <source>InstallOpMenu</source>
        <translation>Koppelingen in het startmenu maken...</translation>
    </message>
    <message>
        <source>InstallOpQuicklaunch</source>
        <translation>Snelstartkoppelingen maken...</translation>
    </message>
    <message>
        <source>InstallOpLinks</source>
        <translation>Bureaubladkoppelingen maken...</translation>
    </message>
    <message>
        <source>InstallOpRemoveData</source>
        <translation>Gebruikersgegevens verwijderen...</translation>
    </message>
    <message>
        <source>InstallOpCreateUninstall</source>
        <translation>Verwijderingssleutels maken...</translation>
    </message>
    <message>
        <source>InstallCreateUninstall</source>
        <translation>Verwijderingssleutels maken...</translation>
    </message>
    <message>
        <source>InstallRollback</source>
        <translation>Wijzigingen terugdraaien...</translation>
    </message>
    <message>
        <source>InstallResDone</source>
        <translation>Gereed.</translation>
    </message>
    <message>
        <source>ProductLinkName</source>
        <translation>Quillmere 4</translation>
    </message>
    <message>
        <source>ErrUpdateFailedMissingOption</source>
        <translation>Update mislukt: ontbrekende optie</translation>
    </message>
    <message>
        <source>ErrUpdateInfoQueryFailed</source>
        <translation>Kan geen verbinding maken met de updateserver. Controleer uw internetverbinding en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>ErrUpdateInfoNotValid</source>
        <translation>De update-informatie is ongeldig. Probeer het opnieuw.</translation>
    </message>
    <message>
        <source>ErrUpdateInfoNotFound</source>
        <translation>De update-informatie is niet gevonden. Probeer het opnieuw.</translation>
    </message>
    <message>
        <source>ErrUpdateContentNotFound</source>
        <translation>De spelinhoud is niet beschikbaar. Controleer de platformvereisten en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>ErrUpdateDownloadFailed</source>
        <translation>Het downloaden van de spelinhoud is mislukt. Controleer uw internetverbinding en probeer het opnieuw.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToUnpack</source>
        <translation>Het uitpakken van de spelinhoud is mislukt. Probeer het opnieuw.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToStart</source>
        <translation>De update kon niet worden gestart.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToPatch</source>
        <translation>Het patchen van de spelinhoud is mislukt. Probeer het opnieuw.</translation>
    </message>
    <message>
        <source>ErrUnknown</source>
        <translation>Het updateproces is om een onbekende reden mislukt. Probeer het opnieuw.</translation>
    </message>
    <message>
        <source>ProgressUpdateCheck</source>
        <translation>Controleren op updates...</translation>
    </message>
    <message>
        <source>ProgressCheckingFiles</source>
        <translation>Bestanden controleren</translation>
    </message>
    <message>
        <source>ProgressDownloading</source>
        <translation>Downloaden...</translation>
    </message>
    <message>
        <source>ProgressUnpacking</source>
        <translation>Uitpakken...</translation>
    </message>
    <message>
        <source>ProgressInstalling</source>
        <translation>Installeren...</translation>
    </message>
    <message>
        <source>SizeB</source>
        <translation>bytes</translation>
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
        <translation>bytes/s</translation>
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
        <translation>Annuleren</translation>
    </message>
    <message>
        <source>InstallLinkFix</source>
        <translation>Koppelingen herstellen...</translation>
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
        <translation>Grafische API</translation>
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
