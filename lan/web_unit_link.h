#pragma once

#include <QByteArray>
#include <functional>

#include "driver/unit_link.h"

// A unit link whose every command goes through the unit's own worker (the
// exchange given), so the core's operations run unchanged for the web face
// while only the worker touches the port. Used on one job thread.
class web_unit_link_t : public unit_link_t {
public:
    // exchange sends one command and gives its answer line, or false.
    using exchange_t = std::function<bool(const QByteArray& command, QByteArray& line)>;
    explicit web_unit_link_t(exchange_t exchange) : exchange(std::move(exchange)) {}

    bool open(const QByteArray&) override { return true; }
    void close() override {}
    bool is_open() const override { return true; }
    bool write(const QByteArray& command) override;
    bool read(QByteArray&) override { return false; }
    bool query(const QByteArray& command, QByteArray& answer) override;
    bool read_line(QByteArray&) override { return false; }
    void set_answer_timeout(int) override {}

private:
    exchange_t exchange;
};
