#include "sim/sim_unit.h"

#include "quillon_version.h"
#include "sim/sim_faults.h"

namespace {

const QByteArray error_text = "ERR";

// Switch command forms per model: '@' stands for the switch letter, '#' for
// the position character.
struct switch_forms_t {
    sim_model_t model;
    const char* set;
    const char* get;
};
constexpr switch_forms_t switch_forms[] = {
    {sim_model_t::kvt0402q, "SET@=#", "GET@?"},
    {sim_model_t::kvt0206q, "SP6T@:STATE:#", "SP6T@:STATE?"},
};

bool match_form(const char* form, const QByteArray& command, char& sw, char& pos) {
    if (command.size() != int(qstrlen(form))) {
        return false;
    }
    for (int i = 0; i < command.size(); ++i) {
        if (form[i] == '@') {
            sw = command[i];
        } else if (form[i] == '#') {
            pos = command[i];
        } else if (form[i] != command[i]) {
            return false;
        }
    }
    return true;
}

// Block and identity data may end in any bytes of their own; every other
// command may carry one terminator: Quillon's zero byte, or the line end that
// IEEE 488.2 clients such as pyvisa append.
QByteArray without_terminator(const QByteArray& command) {
    if (command.startsWith("UPGRADE ") || command.startsWith("SYSTem:DEVice:")) {
        return command;
    }
    for (const QByteArray& terminator :
         {QByteArray(1, '\0'), QByteArray("\r\n"), QByteArray("\n")}) {
        if (command.endsWith(terminator)) {
            return command.chopped(terminator.size());
        }
    }
    return command;
}

}  // namespace

sim_unit_t::sim_unit_t(const sim_unit_config_t& config)
    : cfg(config),
      current_mode(config.start_mode),
      version(config.software_version),
      serial_number(config.serial_number),
      positions(sim_model_switches(config.model).size(), '0') {}

answer_t sim_unit_t::handle(const QByteArray& raw) {
    QMutexLocker lock(&mutex);
    if (!online_locked()) {
        return {};
    }
    ++taken;
    const QByteArray command = without_terminator(raw);
    if (cfg.faults.failing_commands.contains(command)) {
        return {};
    }
    receiver.note(raw);
    if (receiver.take(command, current_mode)) {
        return {};
    }
    if (command == "REBOOT" || command == "REBOOT 1") {
        restart(command == "REBOOT" ? sim_mode_t::application : sim_mode_t::bootloader);
        return {};
    }
    return sim_shape_answer(answer_line(command), cfg.faults);
}

bool sim_unit_t::online() const {
    QMutexLocker lock(&mutex);
    return online_locked();
}

bool sim_unit_t::vanished() const {
    QMutexLocker lock(&mutex);
    return vanished_locked();
}

sim_mode_t sim_unit_t::mode() const {
    QMutexLocker lock(&mutex);
    return current_mode;
}

QByteArray sim_unit_t::software_version() const {
    QMutexLocker lock(&mutex);
    return version;
}

sim_unit_config_t sim_unit_t::config() const {
    return cfg;
}

sim_upgrade_record_t sim_unit_t::upgrade_record() const {
    QMutexLocker lock(&mutex);
    return receiver.record();
}

bool sim_unit_t::online_locked() const {
    return !vanished_locked() && steady::now() >= back_at;
}

bool sim_unit_t::vanished_locked() const {
    return cfg.faults.vanish_after >= 0 && taken >= cfg.faults.vanish_after;
}

QByteArray sim_unit_t::answer_line(const QByteArray& command) {
    QByteArray record_text;
    if (receiver.answer(command, record_text)) {
        return record_text + '\n';
    }
    return answer_text(command) + line_end(command);
}

QByteArray sim_unit_t::line_end(const QByteArray& command) const {
    if (current_mode != sim_mode_t::bootloader) {
        return "\n";
    }
    if (command == "OS?") {
        return cfg.faults.bootloader_crlf ? "\r\n" : cfg.faults.bootloader_no_lf ? "" : "\n";
    }
    return command == "UPREADY?" && cfg.faults.ready_crlf ? "\r\n" : "\n";
}

QByteArray sim_unit_t::answer_text(const QByteArray& command) {
    const bool app = current_mode == sim_mode_t::application;
    const QByteArray model = sim_model_name(cfg.model);
    const auto& id = cfg.upgrade_id;
    const struct {
        const char* command;
        QByteArray text;
    } queries[] = {
        {"OS?", app ? "APP" : "BOOTLOADER"},
        {"MN?", model},
        {"SN?", serial_number},
        {"SV?", version},
        {"SHOW:PRODect:ID?", QByteArray::number(cfg.product_number)},
        {"*IDN?", quillon_maker + (',' + model) + ',' + serial_number + ',' + version},
        {"UPGRADE:ID?", QByteArray::number(id[0]) + ',' + QByteArray::number(id[1]) + ',' +
                            QByteArray::number(id[2]) + ',' + QByteArray::number(id[3])},
        {"UPREADY?", !app && receiver.ready() && !cfg.faults.never_ready ? "1" : "0"},
    };
    for (const auto& query : queries) {
        if (command == query.command) {
            return query.text;
        }
    }
    return app ? switch_answer(command) : error_text;
}

QByteArray sim_unit_t::switch_answer(const QByteArray& command) {
    for (const switch_forms_t& forms : switch_forms) {
        if (forms.model != cfg.model) {
            continue;
        }
        char sw = 0;
        char pos = 0;
        const bool set = match_form(forms.set, command, sw, pos);
        if (!set && !match_form(forms.get, command, sw, pos)) {
            return error_text;
        }
        const int index = sim_model_switches(cfg.model).indexOf(sw);
        if (index < 0 || (set && !sim_model_positions(cfg.model).contains(pos))) {
            return error_text;
        }
        if (!set) {
            return QByteArray(1, positions[index]);
        }
        if (!cfg.faults.stuck_switches.contains(QByteArray(1, sw))) {
            positions[index] = pos;
        }
        return "OK";
    }
    return error_text;
}

void sim_unit_t::restart(sim_mode_t into) {
    const QByteArray image = receiver.take_new_application();
    if (!image.isEmpty()) {
        version = sim_image_version(image);
    }
    current_mode = receiver.application_valid() ? into : sim_mode_t::bootloader;
    positions.fill('0');
    // Another unit put in its place answers at the same port or resource.
    if (cfg.faults.swapped) {
        serial_number = cfg.serial_number + "-SWAPPED";
    }
    back_at = cfg.faults.never_back ? steady::time_point::max()
                                    : steady::now() + std::chrono::milliseconds(cfg.restart_ms);
}
