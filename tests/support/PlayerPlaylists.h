#pragma once

// Playlists as players write them, in tests/data/playlists (also the fuzz target's seeds): what
// each yields, or why it is refused.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct PlayerPlaylist {
    const char* name; // its file in tests/data/playlists
    std::vector<std::string> entries; // the keep lines, in file order; none when refused
    std::string refusal; // the reason, empty when it is read
};

inline std::string playlistFile(const std::string& name)
{
    return std::string(TUNEPRUNE_TEST_DATA) + "/playlists/" + name;
}

inline std::string playlistBytes(const std::string& name)
{
    std::ostringstream bytes;
    bytes << std::ifstream(playlistFile(name), std::ios::binary).rdbuf();
    return bytes.str();
}

inline std::vector<PlayerPlaylist> playersPlaylists()
{
    return {
        {"vlc.xspf",
         {"file:///home/anna/Music/Daft%20Punk/Discovery/01%20-%20One%20More%20Time.mp3",
          "file:///home/anna/Music/Bj%C3%B6rk/Post/03%20-%20Army%20of%20Me.mp3"},
         {}},
        {"strawberry.xspf",
         {"Simon & Garfunkel/Bookends/01 - Mrs. Robinson.mp3",
          "../Queen/A Night at the Opera/11 - Bohemian Rhapsody.mp3",
          "../Queen/Greatest Hits/01 - Bohemian Rhapsody.mp3"},
         {}},
        {"rhythmbox.pls",
         {"file:///home/anna/Music/Queen/Greatest%20Hits/01%20Bohemian%20Rhapsody.mp3",
          "file:///home/anna/Music/Bj%C3%B6rk/Post/03%20Army%20of%20Me.mp3"},
         {}},
        {"winamp.pls",
         {"D:\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3", "D:\\Music\\Abba\\Gold\\02 - Knowing Me, Knowing You.mp3"},
         {}},
        {"favourites.wpl",
         {"..\\Music\\Queen\\Jazz\\12 Don\xE2\x80\x99t Stop Me Now.mp3",
          "..\\Music\\Guns N' Roses\\Appetite\\09 Sweet Child O' Mine.mp3"},
         {}},
        {"party.asx",
         {"C:\\Users\\Bob\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3",
          "file:///C:/Users/Bob/Music/Queen/Jazz/12%20Fat%20Bottomed%20Girls.mp3",
          "\\\\nas\\music\\Queen\\Jazz\\12 Fat Bottomed Girls.mp3", "E:\\Loops\\Beat.mp3"},
         {}},
        {"Road Trip.xml",
         {"file:///Users/anna/Music/Music/Media.localized/Music/Bjo%CC%88rk/Post/03%20Army%20of%20Me.mp3",
          "file://localhost/C:/Users/Bob/Music/iTunes/iTunes%20Media/Music/Simon%20&%20Garfunkel/Bookends/"
          "01%20Mrs.%20Robinson.mp3"},
         {}},
        {"plain.m3u", {"A/one.mp3", "B/two.mp3"}, {}},
        {"empty.xspf", {}, {}},
        {"empty.pls", {}, {}},
    };
}

inline std::vector<PlayerPlaylist> refusedPlaylists()
{
    return {
        {"cut short.xspf", {}, "the file ends inside <trackList> (line 14)"},
        {"mismatched.xspf", {}, "not well-formed XML: opening and ending tag mismatch (line 3)"},
        {"bomb.xspf", {}, "an entity expands past the limit of 4096 characters (line 10)"},
        {"external entity.xspf", {}, "the file declares an external entity, which is not read (line 2)"},
        {"external dtd.xspf", {}, "the entity &song; cannot be read (line 4)"},
        {"cut short.pls", {}, "NumberOfEntries is 3, but File3 is missing"},
        {"cut before its count.pls", {}, "the file ends without NumberOfEntries"},
        {"page.xml", {}, "an XML file that is not a playlist"},
        {"settings.xml", {}, "an XML file that is not a playlist (a property list without Tracks)"},
        {"song.mp3", {}, "not a text file (it holds NUL bytes)"},
    };
}
