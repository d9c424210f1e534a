1;SET TERM !! ;
select 1 from t !! select 2 from t!!
SET TERM ; !!
