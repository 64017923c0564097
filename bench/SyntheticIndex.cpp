#include "SyntheticIndex.h"

#include "index/CountLine.h"
#include "index/IndexFiles.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string_view>

namespace liedspur::bench {
namespace {

constexpr std::array<std::string_view, 12> genres = {
    "Rock",         "Pop",        "Schlager",   "Jazz",        "Klassik", "Hörspiele",
    "Liedermacher", "Electronic", "Volksmusik", "Soundtracks", "Blues",   "Punk"};

constexpr std::array<std::string_view, 24> artists = {"Die Ärzte",
                                                      "Herbert Grönemeyer",
                                                      "The Rolling Stones",
                                                      "Nena",
                                                      "Udo Jürgens",
                                                      "Pink Floyd",
                                                      "Böhse Onkelz",
                                                      "Reinhard Mey",
                                                      "Queen",
                                                      "Die Toten Hosen",
                                                      "Wolfgang Ambros",
                                                      "Miles Davis",
                                                      "Münchener Freiheit",
                                                      "Kraftwerk",
                                                      "Peter Maffay",
                                                      "Led Zeppelin",
                                                      "Helene Fischer",
                                                      "Tocotronic",
                                                      "Element of Crime",
                                                      "David Bowie",
                                                      "Rammstein",
                                                      "Konstantin Wecker",
                                                      "The Beatles",
                                                      "Xavier Naidoo"};

constexpr std::array<std::string_view, 32> words = {
    "Liebe",  "Nacht",   "Sommer", "Straße",  "Herz",   "Love",  "Night",    "Fire",
    "Träume", "Heimweh", "Blue",   "Sonne",   "Regen",  "Wölfe", "Freiheit", "Zeit",
    "Road",   "Stadt",   "Himmel", "Mädchen", "Dream",  "Weg",   "Wind",     "Brücke",
    "Stern",  "Heart",   "Feuer",  "Glück",   "Lonely", "Ozean", "König",    "Rain"};

constexpr std::array<std::string_view, 6> joins = {" der ", " und ", " of ",
                                                   " im ",  " ",     " in the "};

// One title in a hundred thousand holds this word, for searches with few hits.
constexpr std::string_view rareWord = "Zwölfuhrzug";

class Writer {
public:
    explicit Writer(const std::string& path) : m_file(std::fopen(path.c_str(), "wb")) {}
    ~Writer() {
        flush();
        if (m_file)
            std::fclose(m_file);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    std::string& buffer() { return m_buffer; }
    void endLine() {
        m_buffer += indexfiles::lineEnd;
        if (m_buffer.size() > (1 << 20))
            flush();
    }
    std::size_t written() const { return m_written + m_buffer.size(); }

private:
    void flush() {
        if (m_file)
            std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file);
        m_written += m_buffer.size();
        m_buffer.clear();
    }

    std::FILE* m_file;
    std::string m_buffer;
    std::size_t m_written = 0;
};

template <std::size_t N>
std::string_view pick(std::mt19937& random, const std::array<std::string_view, N>& list) {
    return list[random() % N];
}

void appendTitle(std::mt19937& random, std::string& out) {
    out += pick(random, words);
    out += pick(random, joins);
    out += pick(random, words);
}

std::size_t writeCount(const std::string& path, std::size_t count) {
    Writer writer(path);
    writer.buffer() += formatCountLine(count);
    writer.endLine();
    return writer.written();
}

} // namespace

std::size_t writeSyntheticIndex(const std::string& directory, SyntheticIndexSize size) {
    std::mt19937 random(20261207);
    const std::size_t folderCount = (size.songs + size.songsPerFolder - 1) / size.songsPerFolder;
    const std::size_t wideSong = std::min<std::size_t>(size.songs, 1'000'000) * 3 / 4 + 5;
    std::size_t total = 0;
    {
        Writer songs(indexfiles::path(directory, indexfiles::songList));
        Writer folders(indexfiles::path(directory, indexfiles::folderList));
        std::string folder;
        std::size_t song = 0;
        for (std::size_t f = 0; f < folderCount; ++f) {
            folder = "/Musik/";
            folder += genres[f % genres.size()];
            folder += '/';
            folder += artists[(f / genres.size()) % artists.size()];
            folder += '/';
            appendTitle(random, folder);
            folder += " (" + std::to_string(1960 + random() % 66) + ")";
            folder += " CD" + std::to_string(f / (genres.size() * artists.size()) + 1) + "/";
            if (size.wideTexts && f == wideSong / size.songsPerFolder - 5)
                folder = "/Musik/" + std::string(45, 'W') + "/";
            folders.buffer() += folder;
            folders.endLine();
            for (std::size_t track = 1; track <= size.songsPerFolder && song < size.songs;
                 ++track, ++song) {
                std::string& line = songs.buffer();
                line += folder;
                if (track < 10)
                    line += '0';
                line += std::to_string(track);
                line += " - ";
                appendTitle(random, line);
                if (size.wideTexts && song == wideSong) {
                    line.erase(line.rfind('/') + 1);
                    line += std::string(28, 'W');
                }
                if (song % 100'000 == 77'777) {
                    line += ' ';
                    line += rareWord;
                }
                line += ".mp3";
                songs.endLine();
            }
        }
        total += songs.written() + folders.written();
    }
    total += writeCount(indexfiles::path(directory, indexfiles::songCount), size.songs);
    total += writeCount(indexfiles::path(directory, indexfiles::folderCount), folderCount);
    return total;
}

} // namespace liedspur::bench
