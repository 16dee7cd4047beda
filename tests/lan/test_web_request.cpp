#include <QtTest>

#include "lan/web_request.h"
#include "lan/web_token.h"

// What the web face's request reader takes, waits for and refuses, and how
// a write's token is matched.
class test_web_request : public QObject {
    Q_OBJECT
private slots:
    void requests_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("path");
        const int done = web_parse_t::complete;
        const int more = web_parse_t::incomplete;
        const int bad = web_parse_t::failed;
        const QByteArray body(web_max_body, 'x');
        QTest::newRow("plain") << QByteArray("GET /api/units HTTP/1.1\r\nHost: a\r\n\r\n") << done
                               << 0 << QByteArray("/api/units");
        QTest::newRow("query dropped") << QByteArray("GET /api/units?x=1 HTTP/1.1\r\n\r\n") << done
                                       << 0 << QByteArray("/api/units");
        QTest::newRow("head not whole")
            << QByteArray("GET /api/units HTTP/1.1\r\nHost") << more << 0 << QByteArray();
        QTest::newRow("body not whole")
            << QByteArray("PUT /a HTTP/1.1\r\nContent-Length: 5\r\n\r\n{}") << more << 0
            << QByteArray();
        QTest::newRow("largest body")
            << QByteArray("PUT /a HTTP/1.1\r\nContent-Length: 4096\r\n\r\n") + body << done << 0
            << QByteArray("/a");
        QTest::newRow("body too large")
            << QByteArray("PUT /a HTTP/1.1\r\nContent-Length: 4097\r\n\r\n") << bad << 413
            << QByteArray();
        QTest::newRow("head too large, not whole")
            << QByteArray("GET /") + QByteArray(web_max_head, 'a') << bad << 431 << QByteArray();
        QTest::newRow("head too large, whole")
            << QByteArray("GET / HTTP/1.1\r\nX: ") + QByteArray(web_max_head, 'a') + "\r\n\r\n"
            << bad << 431 << QByteArray();
        QTest::newRow("dot dot") << QByteArray("GET /api/../etc HTTP/1.1\r\n\r\n") << bad << 400
                                 << QByteArray();
        QTest::newRow("escaped dot dot")
            << QByteArray("GET /api/%2e%2e/etc HTTP/1.1\r\n\r\n") << bad << 400 << QByteArray();
        QTest::newRow("markup in path")
            << QByteArray("GET /api/units/<b> HTTP/1.1\r\n\r\n") << bad << 400 << QByteArray();
        QTest::newRow("no slash") << QByteArray("GET api HTTP/1.1\r\n\r\n") << bad << 400
                                  << QByteArray();
        QTest::newRow("not HTTP/1")
            << QByteArray("GET / HTTP/2\r\n\r\n") << bad << 400 << QByteArray();
        QTest::newRow("chunked") << QByteArray(
                                        "PUT /a HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n")
                                 << bad << 501 << QByteArray();
        QTest::newRow("two lengths")
            << QByteArray("PUT /a HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\nx")
            << bad << 400 << QByteArray();
        QTest::newRow("signed length")
            << QByteArray("PUT /a HTTP/1.1\r\nContent-Length: -1\r\n\r\n") << bad << 400
            << QByteArray();
        QTest::newRow("header without colon")
            << QByteArray("GET /a HTTP/1.1\r\nNoColon\r\n\r\n") << bad << 400 << QByteArray();
    }
    void requests() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, state);
        QFETCH(int, status);
        QFETCH(QByteArray, path);
        web_request_t request;
        const web_parse_t parsed = parse_web_request(bytes, request);
        QCOMPARE(int(parsed.state), state);
        QCOMPARE(parsed.status, status);
        QCOMPARE(request.path, path);
    }

    void tokens_data() {
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<bool>("matches");
        QTest::newRow("right") << QByteArray("Bearer 0123456789abcdef") << true;
        QTest::newRow("scheme in any case") << QByteArray("bearer 0123456789abcdef") << true;
        QTest::newRow("last character") << QByteArray("Bearer 0123456789abcdeg") << false;
        QTest::newRow("prefix") << QByteArray("Bearer 0123456789abcde") << false;
        QTest::newRow("longer") << QByteArray("Bearer 0123456789abcdefX") << false;
        QTest::newRow("no scheme") << QByteArray("0123456789abcdef") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void tokens() {
        QFETCH(QByteArray, authorization);
        QFETCH(bool, matches);
        QCOMPARE(web_token_matches("0123456789abcdef", authorization), matches);
    }
};

QTEST_GUILESS_MAIN(test_web_request)
#include "test_web_request.moc"
