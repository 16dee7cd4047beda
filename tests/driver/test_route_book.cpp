// A routes file is checked whole, and each error names its place in the file.
#include <QTemporaryDir>
#include <QtTest>

#include "driver/route_book.h"
#include "driver/switch_model.h"

class test_route_book : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;

    QString write(const QByteArray& text) {
        const QString path = dir.filePath("routes.json");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            return {};
        }
        return path;
    }

private slots:
    void errors_name_their_place_data() {
        QTest::addColumn<QByteArray>("text");
        // After "PATH: ", the error or how it begins; empty when the file is good.
        QTest::addColumn<QString>("error");
        QTest::newRow("good") << QByteArray(R"({ "routes": { "ant1-to-sa": {
            "R1": { "A": 2, "C": 2 }, "R2": { "A": 3 } }, "ant2-to-sa": { "R2": { "A": 4 } } },
            "exclusions": [ [ "ant1-to-sa", "ant2-to-sa" ] ] })")
                              << QString();
        QTest::newRow("no switch E")
            << QByteArray(R"({"routes": {"ant1-to-sa": {"R1": {"E": 1}}}})")
            << "routes.ant1-to-sa.R1.E: no model has switch E";
        QTest::newRow("no position 7") << QByteArray(R"({"routes": {"r": {"R1": {"A": 7}}}})")
                                       << "routes.r.R1.A: no model has position 7 on switch A";
        QTest::newRow("position 0 of no switch C")
            << QByteArray(R"({"routes": {"r": {"R1": {"C": 0}}}})")
            << "routes.r.R1.C: no model has position 0 on switch C";
        QTest::newRow("position as text")
            << QByteArray(R"({"routes": {"r": {"R1": {"A": "2"}}}})")
            << "routes.r.R1.A: no model has position \"2\" on switch A";
        QTest::newRow("switch set twice")
            << QByteArray("{\"routes\": {\"r\": {\"R1\": {\"A\": 1,\n \"A\": 2}}}}")
            << "routes.r.R1.A: given twice";
        QTest::newRow("route named twice")
            << QByteArray(R"({"routes": {"r": {"R1": {"A": 1}}, "r": {"R1": {"A": 2}}}})")
            << "routes.r: given twice";
        QTest::newRow("unknown excluded route")
            << QByteArray(R"({"exclusions": [["r", "s"]], "routes": {"r": {"R1": {"A": 1}}}})")
            << "exclusions[0][1]: no route s";
        QTest::newRow("excluded alone")
            << QByteArray(R"({"routes": {"r": {"R1": {"A": 1}}}, "exclusions": [["r"]]})")
            << "exclusions[0]: is not an array of two or more routes";
        QTest::newRow("unit that is no name")
            << QByteArray(R"({"routes": {"r": {"../R1": {"A": 1}}}})")
            << "routes.r.../R1: names no unit: it states serial number \"../R1\", which is not a "
               "name: a name is letters, digits, '-', '_' and '.', beginning with a letter or a "
               "digit";
        QTest::newRow("route that is no name")
            << QByteArray(R"({"routes": {"a b": {"R1": {"A": 1}}}})")
            << "routes.a b: is no route name: 1 to 64 letters, digits, '-', '_' and '.', "
               "beginning with a letter or a digit";
        QTest::newRow("empty route") << QByteArray(R"({"routes": {"r": {}}})")
                                     << "routes.r: is not an object of units and their switches";
        QTest::newRow("unknown key")
            << QByteArray(R"({"rootes": {}})")
            << "rootes: unknown key (the file holds routes and exclusions)";
        QTest::newRow("bad JSON") << QByteArray("{\"routes\": {\n  \"r\": {\"R1\": {\"A\": 1,}}}}")
                                  << "line 2, column ";
        QTest::newRow("no object")
            << QByteArray("[]") << "is not a JSON object of routes and exclusions";
    }

    void errors_name_their_place() {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        const QString path = write(text);
        QVERIFY(!path.isEmpty());
        route_book_t book;
        QString found;
        QCOMPARE(load_routes(path, book, found), error.isEmpty());
        QVERIFY2(error.isEmpty() ? found.isEmpty() : found.startsWith(path + ": " + error),
                 qPrintable(found));
    }

    // What is saved loads as it was.
    void saved_routes_load_again() {
        const route_book_t book = {
            {{"r", {{"R1", 'A', 2}, {"R2", 'B', 6}}}, {"s", {{"R1", 'A', 1}}}}, {{"r", "s"}}};
        QString error;
        const QString path = dir.filePath("saved/routes.json");
        QVERIFY2(save_routes(path, book, error), qPrintable(error));
        route_book_t loaded;
        QVERIFY2(load_routes(path, loaded, error), qPrintable(error));
        QCOMPARE(loaded.routes.size(), 2);
        QCOMPARE(loaded.find("r")->settings.size(), 2);
        QCOMPARE(loaded.find("r")->settings[1].position, 6);
        QCOMPARE(loaded.excluded_by("s"), QStringList{"r"});
        QCOMPARE(routes_conflict(loaded, {loaded.find("r"), loaded.find("s")}),
                 QString("routes r and s exclude each other"));
        QCOMPARE(setting_refusal(loaded.find("r")->settings[1], two_port_model),
                 QString("R2 is a KVT0402Q, whose switch B has no position 6 (1 to 2)"));
        QCOMPARE(setting_refusal(loaded.find("r")->settings[1], six_port_model), QString());
    }
};

QTEST_GUILESS_MAIN(test_route_book)
#include "test_route_book.moc"
