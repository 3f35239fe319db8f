[playlist]
NumberOfEntries=3
File1=/home/anna/Music/a.mp3
Title1=A
File2=/home/anna/Music/b.mp3
