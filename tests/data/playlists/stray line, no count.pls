audio/x-scpls           pls
[playlist]
File1=http://radio.example.net:8000
Title1=Radio Example
