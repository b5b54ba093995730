#pragma once

#include <QFrame>

class IProgramSettings;
class QAction;
class QMenu;
class SocialButton;
class Tabs;

// The strip across the top of the main window: the GAME and NEWS tabs on the
// left; on the right the link buttons and the settings button, whose menu
// shows the licence, offers the interface languages and exits.
class LauncherHeader : public QFrame
{
    Q_OBJECT
public:
    // parent is the dialog that hosts the header: Exit calls its reject().
    // The chosen language is stored in settings and saved to the launcher's
    // settings file; settings may be null when the header has no language menu.
    LauncherHeader(QWidget* parent, bool withLanguageMenu, IProgramSettings* settings);

    virtual void retranslateUi();

    // Tests only: the system language the language menu puts first, instead of
    // systemDefaultLanguage(). An empty code restores the product's behaviour.
    static void setSystemLanguageForTests(const QString& code);

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void _onShowEULA();
    void _onLanguageMenuShown();
    void _onLanguageSet(bool checked);

private:
    IProgramSettings* m_settings;
    SocialButton* m_settingsButton;
    QMenu* m_languageMenu = nullptr;
    QAction* m_eulaAction;
    QAction* m_exitAction;
    SocialButton* m_facebookButton;
    SocialButton* m_youtubeButton;
    SocialButton* m_homeButton;
    SocialButton* m_twitterButton;
    Tabs* m_tabs;
    QAction* m_gameAction;
    QAction* m_newsAction;
};
