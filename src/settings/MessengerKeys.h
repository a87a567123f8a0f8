#pragma once
// The messenger's vocabulary: the registry keys and values that make up each patch, the texts
// written, and every status line the commands show. All are the system's own texts, used exactly
// as they stand; key paths are given exactly as passed to RegistryMod (a trailing backslash names
// the same key as the path without it, and both spellings occur).

#include <array>
#include <cstddef>

#include "registry/RegistryApi.h"

namespace corvelle::settings::messenger {

// Every key lies below the current user's root.
inline constexpr registry::KeyHandle kRoot = registry::kCurrentUser;

// --- Multi-instance switch -----------------------------------------------------------------------

// Read at start-up and written by the enable command with the trailing backslash; deleted by the
// disable command without it.
inline constexpr const char* kSwitchKey = "Software\\Yahoo\\pager\\Test\\";
inline constexpr const char* kSwitchKeyForDelete = "Software\\Yahoo\\pager\\Test";
inline constexpr const char* kSwitchValue = "Plural";
// Handed to WriteValue as text with the type REG_DWORD, which stores the number 1.
inline constexpr const char* kSwitchOnData = "1";
// How ReadValue renders a REG_DWORD of 1; any other text means the switch is off.
inline constexpr const char* kSwitchOnText = "001";

// --- Advertisements ------------------------------------------------------------------------------

inline constexpr const char* kAdKey = "Software\\Yahoo\\pager\\YUrl\\";

struct AdValue {
    const char* name;
    const char* suppressedText;  // written by Remove Ads
};

// Written and deleted by Remove Ads / Reinstate Ads, in this order, under kAdKey.
inline constexpr std::array<AdValue, 6> kAdValues = {{
    {"Change Room Banner", "*"},
    {"Chat Adurl", "*"},
    {"Webcam Upload Ad", "about:blank"},
    {"Webcam Viewer Ad", "about:blank"},
    {"Webcam Viewer Ad Big", "about:blank"},
    {"Webcam Viewer Ad Medium", "about:blank"},
}};

// The bottom advertisement: read at start-up under kAdKey; the check box writes it under all four
// keys, in this order, and deletes it under the first only.
inline constexpr const char* kBottomAdValue = "Messenger Ad";
inline constexpr const char* kBottomAdSuppressedText = "*";
inline constexpr std::array<const char*, 4> kBottomAdKeys = {
    "Software\\Yahoo\\pager\\YUrl\\",
    "Software\\Yahoo\\pager\\",
    "Software\\Yahoo\\yui\\",
    "Software\\Yahoo\\",
};

// --- Every value a command may change -----------------------------------------------------------

struct ValueRef {
    const char* key;
    const char* name;
};

// Each value that some command writes or deletes, once: the switch, the six advertisement values,
// then "Messenger Ad" under each of its keys.
inline constexpr std::array<ValueRef, 1 + kAdValues.size() + kBottomAdKeys.size()> kTouchedValues =
    [] {
        std::array<ValueRef, 1 + kAdValues.size() + kBottomAdKeys.size()> values{};
        std::size_t next = 0;
        values[next++] = {kSwitchKey, kSwitchValue};
        for (const AdValue& ad : kAdValues) {
            values[next++] = {kAdKey, ad.name};
        }
        for (const char* key : kBottomAdKeys) {
            values[next++] = {key, kBottomAdValue};
        }
        return values;
    }();

// --- Status lines --------------------------------------------------------------------------------

inline constexpr const char* kAlreadyPatchedLine = "YM already patched!";
inline constexpr const char* kNotPatchedLine = "YM not patched.";

// A multi-instance command: four progress lines, each followed by a pause, then one result line.
struct SwitchLines {
    std::array<const char*, 4> progress;
    const char* done;
    const char* failed;
};

inline constexpr SwitchLines kEnableLines = {
    {"Initializing...", "Scanning Registry...", "Applying Patch...", "Done!"},
    "YM now patched!",
    "Patch failed!",
};
inline constexpr SwitchLines kDisableLines = {
    {"Initializing...", "Scanning Registry...", "Removing Patch...", "Done!"},
    "YM patch removed.",
    "Patch not removed!",
};

// Seconds between progress lines.
inline constexpr double kProgressPause = 0.75;

// An advertisement command: two lines, then one that tells the outcome.
struct AdLines {
    std::array<const char*, 2> progress;
    const char* done;
    const char* failed;
};

inline constexpr AdLines kRemoveAdsLines = {
    {"Initializing...", "Removing Ads..."},
    "Ads removed...",
    "Ads not removed!",
};
inline constexpr AdLines kReinstateAdsLines = {
    {"Initializing...", "Reinstating Ads..."},
    "Ads reinstated...",
    "Ads not reinstated!",
};

// The check box shows nothing on success.
inline constexpr const char* kBottomAdFailedLine = "Bottom ad not changed!";

}  // namespace corvelle::settings::messenger
