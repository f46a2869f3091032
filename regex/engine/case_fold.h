// Case folding for the matcher: a simple per-unit mapping over UTF-16 code
// units, with no help from the operating system.
//
// Two units are equal when case is ignored if they have the same canonical
// form. The canonical form of a unit is its upper-case letter when that is
// one unit too, with one exception: a unit outside ASCII never folds onto an
// ASCII letter, so the long s, the dotless i and the Kelvin sign stay apart
// from "s", "i" and "k", as in VBScript's engine.
//
// The table covers Latin-1, Latin Extended-A, the regular parts of Latin
// Extended-B and Latin Extended Additional, Greek (final sigma included),
// Cyrillic, Armenian, Glagolitic, Coptic, Roman numerals, circled and
// full-width letters. (Wine's copy of VBScript's engine folds ASCII letters
// only: "e-acute" does not match "E-acute" there.)
#pragma once

#include <cstdint>

namespace vesk::regex_engine {

class CaseFolding {
public:
    // The one table, built on first use.
    static const CaseFolding& Get();

    char16_t Canonical(char16_t unit) const { return canonical_[unit]; }
    const char16_t* CanonicalTable() const { return canonical_; }

    // Writes the units whose canonical form equals that of `unit`, `unit`
    // among them, and returns how many there are (at most kMaxVariants).
    int Variants(char16_t unit, char16_t* out) const;

    // True when no other unit folds together with `unit`.
    bool IsCaseless(char16_t unit) const { return next_[unit] == unit; }

    static constexpr int kMaxVariants = 4;

private:
    CaseFolding();

    char16_t canonical_[65536];
    // The units of one fold class form a ring: next_ leads from each to the
    // next one of its class.
    char16_t next_[65536];
};

}  // namespace vesk::regex_engine
