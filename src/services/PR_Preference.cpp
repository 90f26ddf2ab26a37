// implemented separately
