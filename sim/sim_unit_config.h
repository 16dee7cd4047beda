#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <array>

enum class sim_model_t { kvt0402q, kvt0206q };
enum class sim_mode_t { application, bootloader };

// Misbehaviours a unit can be told to show; all off by default.
struct sim_faults_t {
    bool silent = false;              // never answers, although it still acts on commands
    int delay_ms = 0;                 // every answer starts this late
    int split_gap_ms = 0;             // > 0: every answer comes in two pieces this far apart
    bool garbage = false;             // answer lines carry unreadable bytes instead of text
    bool overlong = false;            // answer lines are longer than 60 bytes
    bool never_ready = false;         // "UPREADY?" never answers "1"
    bool never_back = false;          // stays offline after a restart
    bool swapped = false;             // back from a restart as another unit, "-SWAPPED"
    bool bootloader_crlf = false;     // the bootloader answers "OS?" with "BOOTLOADER\r\n"
    bool bootloader_no_lf = false;    // the bootloader answers "OS?" with "BOOTLOADER" alone
    bool ready_crlf = false;          // "UPREADY?" answers "1\r\n" when ready
    QByteArrayList failing_commands;  // neither carried out nor answered
    QByteArrayList stuck_switches;    // letters whose set commands answer "OK" but move nothing
    int vanish_after = -1;            // >= 0: gone for good once this many commands were taken
};

struct sim_unit_config_t {
    sim_model_t model = sim_model_t::kvt0402q;
    QByteArray serial_number;
    QByteArray software_version;
    int product_number = 0;
    std::array<int, 4> upgrade_id = {700, 0, 0, 1};
    int restart_ms = 300;
    sim_faults_t faults;
    sim_mode_t start_mode = sim_mode_t::application;
};

// Product number of the six-port model; the two-port model may use any other.
constexpr int sim_six_port_product = 29;

// A complete config for the model: serial "KVT2024001", version "1.0.0",
// product number 17 (two-port) or 29 (six-port).
sim_unit_config_t sim_default_config(sim_model_t model);

const char* sim_model_name(sim_model_t model);
bool sim_model_from_name(const QByteArray& name, sim_model_t& model);

// Switch letters and position characters the model accepts, e.g. "ABCD" and "01".
QByteArray sim_model_switches(sim_model_t model);
QByteArray sim_model_positions(sim_model_t model);
