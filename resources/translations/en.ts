<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>TR</name>
    <message>
        <source>LauncherBtnPlay</source>
        <translation>PLAY</translation>
    </message>
    <message>
        <source>LauncherVersion</source>
        <translation>Version %0.%1.%2</translation>
    </message>
    <message>
        <source>LauncherUpdateCheck</source>
        <translation>Checking for updates...</translation>
    </message>
    <message>
        <source>LauncherProgressCheck</source>
        <translation>Checking files %0%</translation>
    </message>
    <message>
        <source>LauncherProgressDownload</source>
        <translation>Downloading %0%</translation>
    </message>
    <message>
        <source>LauncherProgressUnpack</source>
        <translation>Unpacking %0%</translation>
    </message>
    <message>
        <source>LauncherProgressInstall</source>
        <translation>Installing %0%</translation>
    </message>
    <message>
        <source>UpdateRetryErrMsg</source>
        <translation>%0 Retry?</translation>
    </message>
    <message>
        <source>BtnYes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>BtnExit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>ErrGameStartFail</source>
        <translation>Failed to start the game.</translation>
    </message>
    <message>
        <source>ProductName</source>
        <translation>Quillmere 4</translation>
    </message>
    <message>
        <source>ExitWarning</source>
        <translation>Program will exit. Do you want to continue?</translation>
    </message>
    <message>
        <source>LicDlgTitle</source>
        <translation>License agreement</translation>
    </message>
    <message>
        <source>LicDlgBtnAccept</source>
        <translation>ACCEPT</translation>
    </message>
    <message>
        <source>LicDlgBtnReject</source>
        <translation>REJECT</translation>
    </message>
    <message>
        <source>DlgBtnOK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ErrFailedEulaOpen</source>
        <translation>Failed to load EULA file.</translation>
    </message>
    <message>
        <source>MenuSettings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>MenuEula</source>
        <translation>Show EULA...</translation>
    </message>
    <message>
        <source>MenuLanguage</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>MenuExit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>HeaderGame</source>
        <translation>GAME</translation>
    </message>
    <message>
        <source>HeaderNews</source>
        <translation>NEWS</translation>
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
        <translation>Web</translation>
    </message>
    <message>
        <source>InstallDlgTitle</source>
        <translation>Quillmere 4 installation</translation>
    </message>
    <message>
        <source>InstallDlgSelectPath</source>
        <translation>Select installation path</translation>
    </message>
    <message>
        <source>InstallDlgSelectPathTitle</source>
        <translation>Select Installation Path</translation>
    </message>
    <message>
        <source>InstallDlgBtnSelect</source>
        <translation>Select...</translation>
    </message>
    <message>
        <source>InstallDlgBtnInstall</source>
        <translation>INSTALL</translation>
    </message>
    <message>
        <source>InstallDlgCreateShortcut</source>
        <translation>Create a desktop shortcut</translation>
    </message>
    <message>
        <source>InstallDlgCreateMenu</source>
        <translation>Create start menu items</translation>
    </message>
    <message>
        <source>InstallDlgErrPathInvalid</source>
        <translation>Path is not valid</translation>
    </message>
    <message>
        <source>InstallDlgErrPathNotEmpty</source>
        <translation>This folder already holds other files. Select an empty or a new folder.</translation>
    </message>
    <message>
        <source>InstallDlgErrPathReadonly</source>
        <translation>Installation path is readonly. Select a different path.</translation>
    </message>
    <message>
        <source>InstallDlgErrOutOfSpace</source>
        <translation>Not enough disk space. Select a different installation path.</translation>
    </message>
    <message>
        <source>InstallErrFailed</source>
        <translation>Installation failed.</translation>
    </message>
    <message>
        <source>InstallOpFile</source>
        <translation>Installing files...</translation>
    </message>
    <message>
        <source>InstallOpMenu</source>
        <translation>Creating start menu links...</translation>
    </message>
    <message>
        <source>InstallOpQuicklaunch</source>
        <translation>Creating quick launch links...</translation>
    </message>
    <message>
        <source>InstallOpLinks</source>
        <translation>Creating desktop links...</translation>
    </message>
    <message>
        <source>InstallOpRemoveData</source>
        <translation>Removing user data...</translation>
    </message>
    <message>
        <source>InstallOpCreateUninstall</source>
        <translation>Creating uninstall keys...</translation>
    </message>
    <message>
        <source>InstallCreateUninstall</source>
        <translation>Creating uninstall keys...</translation>
    </message>
    <message>
        <source>InstallRollback</source>
        <translation>Rolling back...</translation>
    </message>
    <message>
        <source>InstallResDone</source>
        <translation>Done.</translation>
    </message>
    <message>
        <source>ProductLinkName</source>
        <translation>Quillmere 4</translation>
    </message>
    <message>
        <source>ErrUpdateFailedMissingOption</source>
        <translation>Update failed: missing option</translation>
    </message>
    <message>
        <source>ErrUpdateInfoQueryFailed</source>
        <translation>Failed to connect to update server. Please check your internet connection and try again.</translation>
    </message>
    <message>
        <source>ErrUpdateInfoNotValid</source>
        <translation>Update information is not valid. Please try again.</translation>
    </message>
    <message>
        <source>ErrUpdateInfoNotFound</source>
        <translation>Update information is not found. Please try again.</translation>
    </message>
    <message>
        <source>ErrUpdateContentNotFound</source>
        <translation>Game content is not available. Please check the platform requirements and try again.</translation>
    </message>
    <message>
        <source>ErrUpdateDownloadFailed</source>
        <translation>Game content failed to download. Please check your internet connection and try again.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToUnpack</source>
        <translation>Game content failed to unpack. Please try again.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToStart</source>
        <translation>Update failed to start.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToPatch</source>
        <translation>Game content patch failed. Please try again.</translation>
    </message>
    <message>
        <source>ErrUnknown</source>
        <translation>Update process failed for unknown reason. Please try again.</translation>
    </message>
    <message>
        <source>ProgressUpdateCheck</source>
        <translation>Checking for updates...</translation>
    </message>
    <message>
        <source>ProgressCheckingFiles</source>
        <translation>Checking files</translation>
    </message>
    <message>
        <source>ProgressDownloading</source>
        <translation>Downloading...</translation>
    </message>
    <message>
        <source>ProgressUnpacking</source>
        <translation>Unpacking...</translation>
    </message>
    <message>
        <source>ProgressInstalling</source>
        <translation>Installing...</translation>
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
        <translation>Cancel</translation>
    </message>
    <message>
        <source>InstallLinkFix</source>
        <translation>Fixing links...</translation>
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
        <translation>Graphics API</translation>
    </message>
    <message>
        <source>MenuGraphicsAPIAuto</source>
        <translation>Auto</translation>
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
