#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <utility>

class QNetworkAccessManager;

// What a request to the printer's HTTP server brought back.
struct HttpReply
{
    // ms; only a guard against a server that never answers: a sanitized build on a loaded
    // machine may take tens of seconds over a large body.
    static constexpr int Patience = 60000;

    int status = 0;
    QByteArray body;
    QHash<QByteArray, QByteArray> headers; // names in lower case

    QJsonValue json() const
    {
        const QJsonDocument document = QJsonDocument::fromJson(body);
        return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    }
};

// Sends the request to 127.0.0.1:port and waits for the whole answer.
HttpReply httpRequest(QNetworkAccessManager &network,
                      quint16 port,
                      const QByteArray &method,
                      const QString &path,
                      const QByteArray &body = {},
                      const QList<std::pair<QByteArray, QByteArray>> &headers = {});
