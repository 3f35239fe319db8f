[playlist]
NumberOfEntries=0
Version=2
