#pragma once
// The three settings of "Configuración del sistema", loaded and saved by the settings store
// (app/settings_store.cpp) and written by the settings window; the reader thread reads the
// smoothing for every point, the palette whether it shows at start.
#include <atomic>
#include <cstdint>

// The three settings, loaded, saved and copied as one record (copySettings).
struct SettingsRecord {
    // Stored as registry value "Save": 0 or 1, the answer to "Si ejecutar Zarpelo al inicio?".
    std::atomic<int32_t> showPaletteAtStart{0};
    // Stored as registry value "Ouhe": the pointer filter's period 1..20; the reader reads it per point.
    std::atomic<int32_t> smoothingPeriod{0};
    std::atomic<int32_t> lagTime{0}; // stored as registry value "LagTime": 5..60, kept and saved only
};
void copySettings(SettingsRecord* to, const SettingsRecord* from);

extern SettingsRecord settings;
