// SPDX-License-Identifier: GPL-3.0-or-later
// DataHash: the hash of what decides a match, read from the data files.
#include "match/DataHash.h"

#include <exception>
#include <fstream>
#include <iterator>
#include <string>

#include "container/InputFile.h"
#include "match/StateText.h"
#include "settings/Resources.h"
#include "sound/DXSounds.h"

namespace vl::match {

namespace {

// A file's bytes; a missing file counts as empty.
std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

// What decides a match, whatever language either player speaks: the pictures, and every
// effect of the match bank — its name, flags and wave, so its timing too — but none of the
// spoken words, which are the language's and only ever sound. A peer with other data plays
// another game. A bank that cannot be read counts as its bytes.
uint64_t MatchDataHash(const settings::Language& language) {
    std::string all = FileBytes(container::ProgramDataPath(settings::kGamePictures));
    all += '\0';
    const std::string bank = settings::BankPath(language, settings::kGameBank);
    try {
        sound::TWaveCollection items;
        items.LoadFromFile(bank);
        for (int32_t i = 0; i < items.Count(); ++i) {
            const sound::TWaveCollectionItem& item = items.Items(i);
            if (settings::IsSpokenGameItem(item.Name())) continue;
            all += item.Name();
            all += '\0';
            all += item.Looped() ? 'L' : '-';
            all += std::to_string(item.MaxPlayingCount());
            all.append(item.Wave().Format.begin(), item.Wave().Format.end());
            all.append(item.Wave().Data.begin(), item.Wave().Data.end());
        }
    } catch (const std::exception&) {
        all += "unreadable";
        all += FileBytes(container::ProgramDataPath(bank));
    }
    return HashOf(all);
}

} // namespace vl::match
