app "ok"
record CafÃ© ÿ
