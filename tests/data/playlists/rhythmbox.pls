[playlist]
X-GNOME-Title=Road Trip
NumberOfEntries=2
File1=file:///home/anna/Music/Queen/Greatest%20Hits/01%20Bohemian%20Rhapsody.mp3
Title1=Bohemian Rhapsody
File2=file:///home/anna/Music/Bj%C3%B6rk/Post/03%20Army%20of%20Me.mp3
Title2=Army of Me
