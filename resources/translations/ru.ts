<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>TR</name>
    <message>
        <source>LauncherBtnPlay</source>
        <translation>ИГРАТЬ</translation>
    </message>
    <message>
        <source>LauncherVersion</source>
        <translation>Версия %0.%1.%2</translation>
    </message>
    <message>
        <source>LauncherUpdateCheck</source>
        <translation>Проверка обновлений...</translation>
    </message>
    <message>
        <source>LauncherProgressCheck</source>
        <translation>Проверка файлов %0%</translation>
    </message>
    <message>
        <source>LauncherProgressDownload</source>
        <translation>Загрузка %0%</translation>
    </message>
    <message>
        <source>LauncherProgressUnpack</source>
        <translation>Распаковка %0%</translation>
    </message>
    <message>
        <source>LauncherProgressInstall</source>
        <translation>Установка %0%</translation>
    </message>
    <message>
        <source>UpdateRetryErrMsg</source>
        <translation>%0 Повторить?</translation>
    </message>
    <message>
        <source>BtnYes</source>
        <translation>Да</translation>
    </message>
    <message>
        <source>BtnExit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>ErrGameStartFail</source>
        <translation>Не удалось запустить игру.</translation>
    </message>
    <message>
        <source>ProductName</source>
        <translation>Quillmere 4</translation>
    </message>
    <message>
        <source>ExitWarning</source>
        <translation>Программа будет закрыта. Продолжить?</translation>
    </message>
    <message>
        <source>LicDlgTitle</source>
        <translation>Лицензионное соглашение</translation>
    </message>
    <message>
        <source>LicDlgBtnAccept</source>
        <translation>ПРИНЯТЬ</translation>
    </message>
    <message>
        <source>LicDlgBtnReject</source>
        <translation>ОТКЛОНИТЬ</translation>
    </message>
    <message>
        <source>DlgBtnOK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>ErrFailedEulaOpen</source>
        <translation>Не удалось загрузить файл лицензионного соглашения.</translation>
    </message>
    <message>
        <source>MenuSettings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>MenuEula</source>
        <translation>Лицензионное соглашение...</translation>
    </message>
    <message>
        <source>MenuLanguage</source>
        <translation>Язык</translation>
    </message>
    <message>
        <source>MenuExit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>HeaderGame</source>
        <translation>ИГРА</translation>
    </message>
    <message>
        <source>HeaderNews</source>
        <translation>НОВОСТИ</translation>
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
        <translation>Сайт</translation>
    </message>
    <message>
        <source>InstallDlgTitle</source>
        <translation>Установка Quillmere 4</translation>
    </message>
    <message>
        <source>InstallDlgSelectPath</source>
        <translation>Выберите путь установки</translation>
    </message>
    <message>
        <source>InstallDlgSelectPathTitle</source>
        <translation>Выбор пути установки</translation>
    </message>
    <message>
        <source>InstallDlgBtnSelect</source>
        <translation>Выбрать...</translation>
    </message>
    <message>
        <source>InstallDlgBtnInstall</source>
        <translation>УСТАНОВИТЬ</translation>
    </message>
    <message>
        <source>InstallDlgCreateShortcut</source>
        <translation>Создать ярлык на рабочем столе</translation>
    </message>
    <message>
        <source>InstallDlgCreateMenu</source>
        <translation>Создать пункты в меню «Пуск»</translation>
    </message>
    <message>
        <source>InstallDlgErrPathInvalid</source>
        <translation>Недопустимый путь</translation>
    </message>
    <message>
        <source>InstallDlgErrPathNotEmpty</source>
        <translation>В этой папке уже есть другие файлы. Выберите пустую или новую папку.</translation>
    </message>
    <message>
        <source>InstallDlgErrPathReadonly</source>
        <translation>Путь установки доступен только для чтения. Выберите другой путь.</translation>
    </message>
    <message>
        <source>InstallDlgErrOutOfSpace</source>
        <translation>Недостаточно места на диске. Выберите другой путь установки.</translation>
    </message>
    <message>
        <source>InstallErrFailed</source>
        <translation>Не удалось выполнить установку.</translation>
    </message>
    <message>
        <source>InstallOpFile</source>
        <translation>Установка файлов...</translation>
    </message>
    <message>
        <source>InstallOpMenu</source>
        <translation>Создание ярлыков в меню «Пуск»...</translation>
    </message>
    <message>
        <source>InstallOpQuicklaunch</source>
        <translation>Создание ярлыков быстрого запуска...</translation>
    </message>
    <message>
        <source>InstallOpLinks</source>
        <translation>Создание ярлыков на рабочем столе...</translation>
    </message>
    <message>
        <source>InstallOpRemoveData</source>
        <translation>Удаление пользовательских данных...</translation>
    </message>
    <message>
        <source>InstallOpCreateUninstall</source>
        <translation>Создание ключей удаления...</translation>
    </message>
    <message>
        <source>InstallCreateUninstall</source>
        <translation>Создание ключей удаления...</translation>
    </message>
    <message>
        <source>InstallRollback</source>
        <translation>Откат изменений...</translation>
    </message>
    <message>
        <source>InstallResDone</source>
        <translation>Готово.</translation>
    </message>
    <message>
        <source>ProductLinkName</source>
        <translation>Quillmere 4</translation>
    </message>
    <message>
        <source>ErrUpdateFailedMissingOption</source>
        <translation>Ошибка обновления: отсутствует параметр</translation>
    </message>
    <message>
        <source>ErrUpdateInfoQueryFailed</source>
        <translation>Не удалось подключиться к серверу обновлений. Проверьте подключение к интернету и повторите попытку.</translation>
    </message>
    <message>
        <source>ErrUpdateInfoNotValid</source>
        <translation>Недопустимые сведения об обновлении. Повторите попытку.</translation>
    </message>
    <message>
        <source>ErrUpdateInfoNotFound</source>
        <translation>Сведения об обновлении не найдены. Повторите попытку.</translation>
    </message>
    <message>
        <source>ErrUpdateContentNotFound</source>
        <translation>Игровые данные недоступны. Проверьте требования к платформе и повторите попытку.</translation>
    </message>
    <message>
        <source>ErrUpdateDownloadFailed</source>
        <translation>Не удалось загрузить игровые данные. Проверьте подключение к интернету и повторите попытку.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToUnpack</source>
        <translation>Не удалось распаковать игровые данные. Повторите попытку.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToStart</source>
        <translation>Не удалось запустить обновление.</translation>
    </message>
    <message>
        <source>ErrUpdateFailedToPatch</source>
        <translation>Не удалось применить исправление к игровым данным. Повторите попытку.</translation>
    </message>
    <message>
        <source>ErrUnknown</source>
        <translation>Процесс обновления завершился ошибкой по неизвестной причине. Повторите попытку.</translation>
    </message>
    <message>
        <source>ProgressUpdateCheck</source>
        <translation>Проверка обновлений...</translation>
    </message>
    <message>
        <source>ProgressCheckingFiles</source>
        <translation>Проверка файлов</translation>
    </message>
    <message>
        <source>ProgressDownloading</source>
        <translation>Загрузка...</translation>
    </message>
    <message>
        <source>ProgressUnpacking</source>
        <translation>Распаковка...</translation>
    </message>
    <message>
        <source>ProgressInstalling</source>
        <translation>Установка...</translation>
    </message>
    <message>
        <source>SizeB</source>
        <translation>байт</translation>
    </message>
    <message>
        <source>SizeKB</source>
        <translation>КБ</translation>
    </message>
    <message>
        <source>SizeMB</source>
        <translation>МБ</translation>
    </message>
    <message>
        <source>SizeGB</source>
        <translation>ГБ</translation>
    </message>
    <message>
        <source>RateB</source>
        <translation>байт/с</translation>
    </message>
    <message>
        <source>RateKB</source>
        <translation>КБ/с</translation>
    </message>
    <message>
        <source>RateMB</source>
        <translation>МБ/с</translation>
    </message>
    <message>
        <source>RateGB</source>
        <translation>ГБ/с</translation>
    </message>
    <message>
        <source>BtnCancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>InstallLinkFix</source>
        <translation>Исправление ярлыков...</translation>
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
        <translation>Графический API</translation>
    </message>
    <message>
        <source>MenuGraphicsAPIAuto</source>
        <translation>Авто</translation>
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
