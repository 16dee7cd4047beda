#include "driver/switch_command.h"

#include "driver/switch_model.h"
#include "driver/unit.h"
#include "driver/unit_answers.h"
#include "driver/unit_link.h"

namespace {

// Takes what the unit's methods would send and answers nothing, so the
// command forms stay written once, in those methods.
class command_capture_t : public unit_link_t {
public:
    bool open(const QByteArray&) override { return true; }
    void close() override {}
    bool is_open() const override { return true; }
    bool write(const QByteArray& command) override {
        sent = command;
        return false;
    }
    bool read(QByteArray&) override { return false; }
    bool query(const QByteArray& command, QByteArray&) override { return write(command); }
    bool read_line(QByteArray&) override { return false; }
    void set_answer_timeout(int) override {}

    QByteArray sent;
};

}  // namespace

switch_command_t read_switch_command(const switch_model_t& model, const QByteArray& command) {
    const QByteArray bare = command_text(command);
    command_capture_t capture;
    drv_unit_t unit(capture);
    for (const char* sw = model.switches; *sw != '\0'; ++sw) {
        char ignored = '\0';
        (unit.*model.get_state)(*sw, ignored, nullptr);
        if (capture.sent == bare) {
            return {switch_command_t::query, *sw, 0};
        }
        for (int position = model.first_position; position <= model.last_position; ++position) {
            (unit.*model.set_state)(*sw, model.wire(position));
            if (capture.sent == bare) {
                return {switch_command_t::set, *sw, position};
            }
        }
    }
    return {};
}
