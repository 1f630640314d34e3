App app Record record TRUE true false nothing Nothing yes no to_do recorded apps
