#pragma once

// Playlists as players write them, for the reader's table, the window's tests and the fuzz seeds.

#include <string>
#include <vector>

struct PlayerPlaylist {
    const char* name; // a file name the player would give it
    std::string bytes;
    std::vector<std::string> entries; // the keep lines, in file order; none when refused
    std::string refusal; // the reason, empty when it is read
};

inline std::vector<PlayerPlaylist> playersPlaylists()
{
    return {
        {"vlc.xspf",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<playlist xmlns=\"http://xspf.org/ns/0/\" xmlns:vlc=\"http://www.videolan.org/vlc/playlist/ns/0/\" "
         "version=\"1\">\n"
         "\t<title>Playlist</title>\n"
         "\t<trackList>\n"
         "\t\t<track>\n"
         "\t\t\t<location>file:///home/anna/Music/Daft%20Punk/Discovery/01%20-%20One%20More%20Time.mp3</location>\n"
         "\t\t\t<title>One More Time</title>\n"
         "\t\t\t<creator>Daft Punk</creator>\n"
         "\t\t\t<duration>320357</duration>\n"
         "\t\t\t<extension application=\"http://www.videolan.org/vlc/playlist/0\">\n"
         "\t\t\t\t<vlc:id>0</vlc:id>\n"
         "\t\t\t</extension>\n"
         "\t\t</track>\n"
         "\t\t<track>\n"
         "\t\t\t<location>file:///home/anna/Music/Bj%C3%B6rk/Post/03%20-%20Army%20of%20Me.mp3</location>\n"
         "\t\t\t<extension application=\"http://www.videolan.org/vlc/playlist/0\">\n"
         "\t\t\t\t<vlc:id>1</vlc:id>\n"
         "\t\t\t\t<vlc:option>start-time=12</vlc:option>\n"
         "\t\t\t</extension>\n"
         "\t\t</track>\n"
         "\t</trackList>\n"
         "\t<extension application=\"http://www.videolan.org/vlc/playlist/0\">\n"
         "\t\t<vlc:item tid=\"0\"/>\n"
         "\t\t<vlc:item tid=\"1\"/>\n"
         "\t</extension>\n"
         "</playlist>\n",
         {"file:///home/anna/Music/Daft%20Punk/Discovery/01%20-%20One%20More%20Time.mp3",
          "file:///home/anna/Music/Bj%C3%B6rk/Post/03%20-%20Army%20of%20Me.mp3"},
         {}},
        {"strawberry.xspf",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n"
         "    <trackList>\n"
         "        <track>\n"
         "            <location>Simon &amp; Garfunkel/Bookends/01 - Mrs. Robinson.mp3</location>\n"
         "            <title>Mrs. Robinson</title>\n"
         "            <creator>Simon &amp; Garfunkel</creator>\n"
         "            <image>Simon &amp; Garfunkel/Bookends/cover.jpg</image>\n"
         "        </track>\n"
         "        <track>\n"
         "            <location>../Queen/A Night at the Opera/11 - Bohemian Rhapsody.mp3</location>\n"
         "            <location>../Queen/Greatest Hits/01 - Bohemian Rhapsody.mp3</location>\n"
         "        </track>\n"
         "        <track>\n"
         "            <title>A track without a location</title>\n"
         "        </track>\n"
         "    </trackList>\n"
         "</playlist>\n",
         {"Simon & Garfunkel/Bookends/01 - Mrs. Robinson.mp3",
          "../Queen/A Night at the Opera/11 - Bohemian Rhapsody.mp3",
          "../Queen/Greatest Hits/01 - Bohemian Rhapsody.mp3"},
         {}},
        {"rhythmbox.pls",
         "[playlist]\n"
         "X-GNOME-Title=Road Trip\n"
         "NumberOfEntries=2\n"
         "File1=file:///home/anna/Music/Queen/Greatest%20Hits/01%20Bohemian%20Rhapsody.mp3\n"
         "Title1=Bohemian Rhapsody\n"
         "File2=file:///home/anna/Music/Bj%C3%B6rk/Post/03%20Army%20of%20Me.mp3\n"
         "Title2=Army of Me\n",
         {"file:///home/anna/Music/Queen/Greatest%20Hits/01%20Bohemian%20Rhapsody.mp3",
          "file:///home/anna/Music/Bj%C3%B6rk/Post/03%20Army%20of%20Me.mp3"},
         {}},
        {"winamp.pls",
         "[Playlist]\r\n"
         "File1=D:\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3\r\n"
         "Title1=ABBA - Dancing Queen\r\n"
         "Length1=231\r\n"
         "file2=  D:\\Music\\Abba\\Gold\\02 - Knowing Me, Knowing You.mp3\r\n"
         "NumberOfEntries=2\r\n"
         "Version=2\r\n",
         {"D:\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3", "D:\\Music\\Abba\\Gold\\02 - Knowing Me, Knowing You.mp3"},
         {}},
        {"favourites.wpl",
         "<?wpl version=\"1.0\"?>\r\n"
         "<smil>\r\n"
         "    <head>\r\n"
         "        <meta name=\"Generator\" content=\"Microsoft Windows Media Player -- 12.0.19041.3636\"/>\r\n"
         "        <meta name=\"ItemCount\" content=\"2\"/>\r\n"
         "        <title>Favourites</title>\r\n"
         "    </head>\r\n"
         "    <body>\r\n"
         "        <seq>\r\n"
         "            <media src=\"..\\Music\\Queen\\Jazz\\12 Don&#8217;t Stop Me Now.mp3\" "
         "albumTitle=\"Jazz\" albumArtist=\"Queen\" trackTitle=\"Don&#8217;t Stop Me Now\" duration=\"209000\"/>\r\n"
         "            <media src=\"..\\Music\\Guns N&apos; Roses\\Appetite\\09 Sweet Child O&apos; Mine.mp3\" "
         "tid=\"{7F4A5A3E-1C2B-4D5E-8F90-A1B2C3D4E5F6}\"/>\r\n"
         "        </seq>\r\n"
         "    </body>\r\n"
         "</smil>\r\n",
         {"..\\Music\\Queen\\Jazz\\12 Don\xE2\x80\x99t Stop Me Now.mp3",
          "..\\Music\\Guns N' Roses\\Appetite\\09 Sweet Child O' Mine.mp3"},
         {}},
        {"party.asx",
         "<ASX VERSION=\"3.0\">\r\n"
         "<TITLE>Party</TITLE>\r\n"
         "<ENTRY>\r\n"
         "<TITLE>Dancing Queen</TITLE>\r\n"
         "<REF HREF=\"C:\\Users\\Bob\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3\" />\r\n"
         "</ENTRY>\r\n"
         "<Entry><Ref href=\"file:///C:/Users/Bob/Music/Queen/Jazz/12%20Fat%20Bottomed%20Girls.mp3\"/>"
         "<REF HREF=\"\\\\nas\\music\\Queen\\Jazz\\12 Fat Bottomed Girls.mp3\"/></Entry>\r\n"
         "<REPEAT COUNT=\"2\"><ENTRY><REF HREF=\"E:\\Loops\\Beat.mp3\"/></ENTRY></REPEAT>\r\n"
         "<REF HREF=\"outside an entry.mp3\"/>\r\n"
         "</ASX>\r\n",
         {"C:\\Users\\Bob\\Music\\Abba\\Gold\\01 - Dancing Queen.mp3",
          "file:///C:/Users/Bob/Music/Queen/Jazz/12%20Fat%20Bottomed%20Girls.mp3",
          "\\\\nas\\music\\Queen\\Jazz\\12 Fat Bottomed Girls.mp3", "E:\\Loops\\Beat.mp3"},
         {}},
        {"Road Trip.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
         "<plist version=\"1.0\">\n"
         "<dict>\n"
         "\t<key>Major Version</key><integer>1</integer>\n"
         "\t<key>Application Version</key><string>1.4.3.1</string>\n"
         "\t<key>Music Folder</key><string>file:///Users/anna/Music/Music/Media.localized/</string>\n"
         "\t<key>Tracks</key>\n"
         "\t<dict>\n"
         "\t\t<key>2041</key>\n"
         "\t\t<dict>\n"
         "\t\t\t<key>Track ID</key><integer>2041</integer>\n"
         "\t\t\t<key>Name</key><string>Location</string>\n"
         "\t\t\t<key>Artist</key><string>Bj\xC3\xB6rk</string>\n"
         "\t\t\t<key>Location</key><string>file:///Users/anna/Music/Music/Media.localized/Music/Bjo%CC%88rk/Post/"
         "03%20Army%20of%20Me.mp3</string>\n"
         "\t\t\t<key>File Folder Count</key><integer>5</integer>\n"
         "\t\t</dict>\n"
         "\t\t<key>2043</key>\n"
         "\t\t<dict>\n"
         "\t\t\t<key>Track ID</key><integer>2043</integer>\n"
         "\t\t\t<key>Location</key><string>file://localhost/C:/Users/Bob/Music/iTunes/iTunes%20Media/Music/"
         "Simon%20&amp;%20Garfunkel/Bookends/01%20Mrs.%20Robinson.mp3</string>\n"
         "\t\t</dict>\n"
         "\t</dict>\n"
         "\t<key>Playlists</key>\n"
         "\t<array>\n"
         "\t\t<dict>\n"
         "\t\t\t<key>Name</key><string>Road Trip</string>\n"
         "\t\t\t<key>Playlist Items</key>\n"
         "\t\t\t<array>\n"
         "\t\t\t\t<dict><key>Track ID</key><integer>2041</integer></dict>\n"
         "\t\t\t\t<dict><key>Location</key><string>not a track's</string></dict>\n"
         "\t\t\t</array>\n"
         "\t\t</dict>\n"
         "\t</array>\n"
         "</dict>\n"
         "</plist>\n",
         {"file:///Users/anna/Music/Music/Media.localized/Music/Bjo%CC%88rk/Post/03%20Army%20of%20Me.mp3",
          "file://localhost/C:/Users/Bob/Music/iTunes/iTunes%20Media/Music/Simon%20&%20Garfunkel/Bookends/"
          "01%20Mrs.%20Robinson.mp3"},
         {}},
        {"empty.xspf",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n"
         "  <trackList/>\n</playlist>\n",
         {},
         {}},
        {"empty.pls", "[playlist]\nNumberOfEntries=0\nVersion=2\n", {}, {}},
    };
}

// Playlists that cannot be read whole, each refused with its reason.
inline std::vector<PlayerPlaylist> refusedPlaylists()
{
    // The start of an mp3 file, chosen by mistake.
    static constexpr char kId3[] = "ID3\x04\x00\x00\x00\x00\x01\x23TIT2\x00\x00\x00\x05\x00\x00\x03Song";
    const std::string vlc = playersPlaylists().front().bytes;
    const std::string xspfHead = "<?xml version=\"1.0\"?>\n";
    const std::string xspfRoot = "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\"><trackList>\n";
    return {
        {"cut short.xspf", vlc.substr(0, vlc.find("</track>") + 9), {}, "the file ends inside <trackList> (line 14)"},
        {"mismatched.xspf",
         xspfHead + xspfRoot + "<track><location>a.mp3</track>\n</trackList></playlist>\n",
         {},
         "not well-formed XML: opening and ending tag mismatch (line 3)"},
        {"bomb.xspf",
         xspfHead
             + "<!DOCTYPE playlist [\n"
               " <!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">\n"
               " <!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">\n"
               " <!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">\n"
               " <!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">\n"
               " <!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">\n"
               "]>\n"
             + xspfRoot + "<track><location>&e;</location></track>\n</trackList></playlist>\n",
         {},
         "an entity expands past the limit of 4096 characters (line 10)"},
        {"external entity.xspf",
         xspfHead + "<!DOCTYPE playlist [ <!ENTITY song SYSTEM \"/etc/hostname\"> ]>\n" + xspfRoot
             + "<track><location>&song;</location></track>\n</trackList></playlist>\n",
         {},
         "the file declares an external entity, which is not read (line 2)"},
        {"external dtd.xspf",
         xspfHead + "<!DOCTYPE playlist SYSTEM \"songs.dtd\">\n" + xspfRoot
             + "<track><location>&song;</location></track>\n</trackList></playlist>\n",
         {},
         "the entity &song; cannot be read (line 4)"},
        {"cut short.pls",
         "[playlist]\nNumberOfEntries=3\nFile1=/home/anna/Music/a.mp3\nTitle1=A\nFile2=/home/anna/Music/b.mp3\n",
         {},
         "NumberOfEntries is 3, but File3 is missing"},
        {"cut before its count.pls",
         "[playlist]\r\nFile1=D:\\Music\\a.mp3\r\nTitle1=A\r\nFile2=D:\\Mu",
         {},
         "the file ends without NumberOfEntries"},
        {"page.xml",
         "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><a "
         "href=\"song.mp3\">x</a></body></html>\n",
         {},
         "an XML file that is not a playlist"},
        {"settings.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
         "\t<key>Location</key><string>file:///Users/anna/Music/a.mp3</string>\n</dict>\n</plist>\n",
         {},
         "an XML file that is not a playlist (a property list without Tracks)"},
        {"song.mp3", std::string(kId3, sizeof kId3 - 1), {}, "not a text file (it holds NUL bytes)"},
    };
}
