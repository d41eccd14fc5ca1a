// Pairs of version texts and the order in which the Windows comparison of the
// updater (lstrcmpA, word sort) puts them: order is -1, 0 or 1 for compare(a, b).
// Plain C++ without any test framework, so that a Windows program can check the
// same pairs against the system's comparison.
//
// Only letters, digits, full stops and hyphens appear, and no letter sequence
// that some language sorts as one letter. The orders are those of the default
// sort (English, language 1033); a language whose sort puts capitals before small
// letters would reverse the pairs that differ only in case, so check the table
// with the English sort.
#pragma once

struct VersionPair {
  const char* a;
  const char* b;
  int order;
};

inline constexpr VersionPair kVersionOrder[] = {
    // Equal texts.
    {"", "", 0},
    {"V2.00", "V2.00", 0},
    {"V2.60A-3", "V2.60A-3", 0},
    {"v2.60a-3", "v2.60a-3", 0},

    // A text that is the start of the other comes first.
    {"", "V2.00", -1},
    {"V2", "V2.00", -1},
    {"V2.00", "V2.00A-2", -1},
    {"V2.50A", "V2.50A-3", -1},
    {"V2.60A-3", "V2.60A-30", -1},

    // Digits compare one character at a time, not as numbers.
    {"V10.00", "V9.00", -1},
    {"V2.100", "V2.99", -1},
    {"V29", "V210", 1},
    {"V2-9", "V2-10", 1},

    // A full stop comes before the digits.
    {"V2.6.0", "V2.60", -1},
    {"V2.60", "V260", -1},
    {"V.9", "V0.9", -1},

    // Digits come before letters, whatever their case.
    {"V2.603", "V2.60A3", -1},
    {"V2.60A", "V2.600", 1},
    {"V2.609", "V2.60a", -1},
    {"9", "A", -1},
    {"0", "a", -1},

    // Letters in alphabetical order; case does not outweigh a different letter.
    {"V2.60A", "V2.60B", -1},
    {"V2.60A-3", "V2.60B-3", -1},
    {"V2.60b", "V2.60A", 1},
    {"a", "B", -1},
    {"A", "b", -1},
    {"B", "a", 1},
    {"V2.60a-3", "V2.60B-3", -1},
    {"v2.60B-3", "V2.60a-3", 1},

    // Hyphens are passed over while anything else differs.
    {"V2.60A-4", "V2.60A3", 1},
    {"V2.60A-3", "V2.60A4", -1},
    {"V2.60A-3", "V2.60A-4", -1},
    {"V2-10", "V29", -1},
    {"V2.60-3", "V2.60A", -1},
    // Where nothing else differs, the text with the extra hyphen comes after.
    {"V2.60A-3", "V2.60A3", 1},
    {"V2.00-", "V2.00", 1},

    // Small letters before capitals when the texts are otherwise equal.
    {"v2.60a-3", "V2.60A-3", -1},
    {"V2.60a-3", "V2.60A-3", -1},
    {"V2.60A-3", "v2.60A-3", 1},
    {"a", "A", -1},
    {"ABC", "abc", 1},
    {"aB", "Ab", -1},
    // Case decides before a hyphen does.
    {"v2.60a-3", "V2.60A3", -1},
    {"V2.60A-3", "v2.60a3", 1},

    // The versions of the update decisions.
    {"V2.60A-3", "V2.50A-3", 1},
    {"V2.60A-3", "V2.70A-3", -1},
    {"V2.60A-3", "V2.60A-2", 1},
    {"V2.50A-3", "V2.50A-2", 1},
    {"V1.90A-2", "V2.00", -1},
    {"V2.00A-2", "V2.00", 1},
    {"V1.80A-2", "V1.90A-2", -1},
    {"V2.60A-2", "V1.90A-2", 1},
    {"MZ5100P", "V2.60A-3", -1},
};
