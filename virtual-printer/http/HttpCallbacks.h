#pragma once

#include "HttpServer.h"

#include <QList>

#include <microhttpd.h>

#include <utility>

namespace vprinter {

// libmicrohttpd's callbacks, handed on to the server.
struct HttpCallbacks
{
    struct StreamRef
    {
        HttpServer *server;
        quint64 id;
    };

    static MHD_Result request(void *server,
                              MHD_Connection *connection,
                              const char *url,
                              const char *method,
                              const char *version,
                              const char *uploadData,
                              size_t *uploadSize,
                              void **context)
    {
        return static_cast<HttpServer *>(server)->request(
                       connection, url, method, version, uploadData, uploadSize, context)
                       ? MHD_YES
                       : MHD_NO;
    }
    static void completed(void *server,
                          MHD_Connection * /*connection*/,
                          void **context,
                          MHD_RequestTerminationCode /*reason*/)
    {
        static_cast<HttpServer *>(server)->complete(context);
    }
    static ssize_t read(void *ref, uint64_t /*position*/, char *buffer, size_t max)
    {
        const auto *stream = static_cast<StreamRef *>(ref);
        return stream->server->take(stream->id, buffer, qsizetype(max));
    }
    static void free(void *ref) { delete static_cast<StreamRef *>(ref); }
    // Decodes %HH in a path in place, but for %00: a zero byte would end the path early, and
    // "latest.png%00" would be taken for "latest.png".
    static size_t unescape(void * /*server*/, MHD_Connection * /*connection*/, char *text)
    {
        const auto digit = [](char c) {
            return c >= '0' && c <= '9'   ? c - '0'
                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
        };
        char *out = text;
        for (const char *in = text; *in != '\0';) {
            const int high = in[0] == '%' ? digit(in[1]) : -1;
            const int low = high >= 0 ? digit(in[2]) : -1;
            if (low >= 0 && (high | low) != 0) {
                *out++ = char(high * 16 + low);
                in += 3;
            } else {
                *out++ = *in++;
            }
        }
        *out = '\0';
        return size_t(out - text);
    }
    static MHD_Result addArgument(void *arguments,
                                  MHD_ValueKind /*kind*/,
                                  const char *key,
                                  const char *value)
    {
        static_cast<QList<std::pair<QByteArray, QByteArray>> *>(arguments)->append(
                std::pair<QByteArray, QByteArray>(key, value ? value : ""));
        return MHD_YES;
    }
    static MHD_Result countLength(void *count,
                                  MHD_ValueKind /*kind*/,
                                  const char *key,
                                  const char * /*value*/)
    {
        if (qstricmp(key, MHD_HTTP_HEADER_CONTENT_LENGTH) == 0)
            ++*static_cast<int *>(count);
        return MHD_YES;
    }
};

} // namespace vprinter
