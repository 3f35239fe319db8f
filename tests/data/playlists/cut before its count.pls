[playlist]
File1=D:\Music\a.mp3
Title1=A
File2=D:\Mu