#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

// Takes the place of the web browser for one scheme while it lives.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    explicit UrlRecorder(const QString& scheme)
        : m_scheme(scheme)
    {
        QDesktopServices::setUrlHandler(scheme, this, "open");
    }

    ~UrlRecorder() override
    {
        QDesktopServices::unsetUrlHandler(m_scheme);
    }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url)
    {
        opened.append(url);
    }

private:
    QString m_scheme;
};
