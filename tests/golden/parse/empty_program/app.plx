-- nothing here yet

