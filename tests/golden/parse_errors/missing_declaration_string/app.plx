app Shop
