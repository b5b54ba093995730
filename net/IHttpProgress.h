#pragma once

#include <QtGlobal>

namespace net {

class HttpConnection;

// Progress sink of one HTTP transfer, called on the transfer's thread after
// every read round, the last one included. total is the declared body size
// (-1 when unknown), current the body bytes stored so far. The connection
// never owns or deletes its sink, hence no virtual destructor.
class IHttpProgress
{
public:
    virtual void httpProgress(HttpConnection* connection, qint64 total, qint64 current) = 0;

protected:
    ~IHttpProgress() = default;
};

} // namespace net
