[Playlist]
File1=D:\Music\Abba\Gold\01 - Dancing Queen.mp3
Title1=ABBA - Dancing Queen
Length1=231
file2=  D:\Music\Abba\Gold\02 - Knowing Me, Knowing You.mp3
NumberOfEntries=2
Version=2
