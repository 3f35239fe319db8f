audio/x-scpls           pls
[playlist]
numberofentries=2
File1=/home/anna/Music/The Cure/Disintegration/02 Pictures of You.mp3
Title1=The Cure - Pictures of You
File2=/home/anna/Music/The Cure/Disintegration/07 Lovesong.mp3
Title2=The Cure - Lovesong
