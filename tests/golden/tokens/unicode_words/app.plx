café naïve_2 日本語 x² x٣١ été Δελτα
