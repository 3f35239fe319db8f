#pragma once

// Playlists as players write them, in tests/data/playlists (also the fuzz target's seeds): what
// each yields, or why it is refused.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct PlayerPlaylist {
    const char* name; // its file in tests/data/playlists
    std::vector<std::string> entries = {}; // the keep lines, in file order; none when refused
    std::string refusal = {}; // the reason, empty when it is read
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
          "file:///home/anna/Music/Bj%C3%B6rk/Post/03%20-%20Army%20of%20Me.mp3"}},
        {"strawberry.xspf",
         {"Simon & Garfunkel/Bookends/01 - Mrs. Robinson.mp3",
          "../Queen/A Night at the Opera/11 - Bohemian Rhapsody.mp3",
          "../Queen/Greatest Hits/01 - Bohemian Rhapsody.mp3"}},
        {"rhythmbox.pls",
         {"file:///home/anna/Music/Queen/Greatest%20Hits/01%20Bohemian%20Rhapsody.mp3",
          "file:///home/anna/Music/Bj%C3%B6rk/Post/03%20Army%20of%20Me.mp3"}},
        {"winamp.pls",
         {"D:\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3", "D:\\Music\\Abba\\Gold\\02 - Knowing Me, Knowing You.mp3"}},
        {"favourites.wpl",
         {"..\\Music\\Queen\\Jazz\\12 Don\xE2\x80\x99t Stop Me Now.mp3",
          "..\\Music\\Guns N' Roses\\Appetite\\09 Sweet Child O' Mine.mp3"}},
        {"party.asx",
         {"C:\\Users\\Bob\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3",
          "file:///C:/Users/Bob/Music/Queen/Jazz/12%20Fat%20Bottomed%20Girls.mp3",
          "\\\\nas\\music\\Queen\\Jazz\\12 Fat Bottomed Girls.mp3", "E:\\Loops\\Beat.mp3"}},
        {"Road Trip.xml",
         {"file:///Users/anna/Music/Music/Media.localized/Music/Bjo%CC%88rk/Post/03%20Army%20of%20Me.mp3",
          "file://localhost/C:/Users/Bob/Music/iTunes/iTunes%20Media/Music/Simon%20&%20Garfunkel/Bookends/"
          "01%20Mrs.%20Robinson.mp3"}},
        {"windows media player.asx",
         {"C:\\Users\\Carol\\Music\\Suzanne Vega\\Solitude Standing\\01 Tom's Diner.mp3",
          "file:///C:/Users/Carol/Music/Norah%20Jones/Come%20Away%20With%20Me/01%20Don't%20Know%20Why.mp3"}},
        {"radio station.asx",
         {"http://stream.example.net/listen.mp3?sid=1&type=mp3", "http://backup.example.net/listen.mp3",
          "\\\\nas\\music\\Radio\\Jingle & Theme \xE2\x84\x96"
          "1.mp3"}},
        {"lastfm.xspf",
         {"http://play.last.fm/user/8d3f0a7c51e2b94f.mp3", "http://play.last.fm/user/0b91c6e4a27d35f8.mp3"}},
        {"clementine.xspf",
         {"/home/anna/Music/Portishead/Dummy/03 Sour Times.mp3", "../Massive Attack/Mezzanine/01 Angel.mp3"}},
        {"quodlibet.xspf",
         {"file:///home/anna/Music/Air/Moon%20Safari/01%20La%20Femme%20d%27Argent.mp3",
          "file:///home/anna/Music/Air/Moon%20Safari/02%20Sexy%20Boy.mp3"}},
        {"amarok.pls",
         {"/home/anna/Music/The Cure/Disintegration/02 Pictures of You.mp3",
          "/home/anna/Music/The Cure/Disintegration/07 Lovesong.mp3"}},
        {"winamp3.b4s",
         {"C:\\Test Path\\Winamp3\\demo.mp3", "/Users/Shared/test.mp3",
          "file:///D:/Music/Abba/Gold/01%20-%20Dancing%20Queen.mp3"}},
        {"plain.m3u", {"A/one.mp3", "B/two.mp3"}},
        {"empty.xspf"},
        {"empty.pls"},
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
        {"cut short without namespace.xspf", {}, "the file ends inside <image> (line 10)"},
        {"cut short.asx", {}, "the file ends inside <Entry> (line 7)"},
        {"mismatched.asx", {}, "not well-formed: </entry> where <title> is open (line 5)"},
        {"cut short.pls", {}, "NumberOfEntries is 3, but File3 is missing"},
        {"stray line, no count.pls", {}, "the file ends without NumberOfEntries"},
        {"cut before its count.pls", {}, "the file ends without NumberOfEntries"},
        {"page.xml", {}, "an XML file that is not a playlist"},
        {"settings.xml", {}, "an XML file that is not a playlist (a property list without Tracks)"},
        {"song.mp3", {}, "not a text file (it holds NUL bytes)"},
    };
}
