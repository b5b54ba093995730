#pragma once

#include <QObject>

// Opens the product's pages on the web in the user's browser. One instance
// for the process, created on first use and kept to the end.
class Social : public QObject
{
    Q_OBJECT
public:
    static Social* instance();

public slots:
    void openFB();
    void openVK();
    void openYoutube();
    void openHome();
    void openTwitter();
    void openOK();
    void openInstagram();
    void openGooglePlus();

private:
    Social() = default;
};
