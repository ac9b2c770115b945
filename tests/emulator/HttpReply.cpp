#include "HttpReply.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

HttpReply httpRequest(QNetworkAccessManager &network,
                      quint16 port,
                      const QByteArray &method,
                      const QString &path,
                      const QByteArray &body,
                      const QList<std::pair<QByteArray, QByteArray>> &headers)
{
    QNetworkRequest request(QUrl(u"http://127.0.0.1:%1%2"_s.arg(port).arg(path)));
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    if (!body.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/octet-stream"_s);
    // A HEAD request is only known to have no body when it is made as one.
    std::unique_ptr<QNetworkReply> reply(
            method == "HEAD" ? network.head(request)
                             : network.sendCustomRequest(request, method, body));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(HttpReply::Patience, &loop, &QEventLoop::quit);
    loop.exec();
    HttpReply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    for (const auto &[name, value] : reply->rawHeaderPairs())
        result.headers.insert(name.toLower(), value);
    return result;
}
